#!/usr/bin/env bash
# Runs the package tests in a Wine prefix made fresh for them, so the installer meets a machine
# it has never been on. Unpacks the zip into a folder whose path holds Chinese characters.
#   run_package_tests.sh PREFIX PACKAGE_BASE TEST_EXE [gtest arguments]
# PACKAGE_BASE is the packages' path without ".zip" / ".exe".
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
prefix=${1:?prefix}
base=${2:?package base}
tests=${3:?test program}
shift 3
for package in "$base.zip" "$base.exe"; do
  [ -f "$package" ] || { echo "no $package: run cmake --workflow --preset package" >&2; exit 1; }
done

rm -rf "$prefix"
# The prefix is of the test program's architecture, which is the packages'.
source "$here/tools/wine-env.sh"
export BRINDLOW_WINEPREFIX=$prefix
wine_use "$(wine_pe_arch "$tests")"
"$here/tools/wine-prefix.sh" "$prefix" "$WINEARCH"
# A display at 150 % scale, as many users' are: the packaged program is driven at 144 DPI
# while the development build's tests run at 96. Read when the prefix's server starts.
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null
wineserver -w
# This prefix's own server, ended with the run (the caller's prefix keeps its own).
wineserver -p </dev/null >/dev/null 2>&1
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

portable="$prefix/drive_c/绿色软件/Brindlow 下载工具"
mkdir -p "$portable"
python3 -m zipfile -e "$base.zip" "$portable"

export BRINDLOW_INSTALLER="Z:${base//\//\\}.exe"
export BRINDLOW_PORTABLE_DIR='C:\绿色软件\Brindlow 下载工具'
"$here/cmake/wine-exec.sh" "$tests" "$@"
