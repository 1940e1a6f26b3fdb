#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine (run as root, or with sudo
# available). Does nothing when everything is already there.
set -euo pipefail

have_all() {
  command -v i686-w64-mingw32-g++-posix && command -v x86_64-w64-mingw32-g++-posix &&
    command -v wine && command -v Xvfb &&
    command -v import && command -v cmake && command -v python3 && command -v openssl &&
    command -v xdotool && command -v chromium && command -v clang++ && command -v makensis &&
    dpkg -s libclang-rt-14-dev && [ -f /usr/i686-w64-mingw32/lib/libz.a ] &&
    [ -f /usr/x86_64-w64-mingw32/lib/libz.a ] && [ -x /usr/lib/wine/wine64 ] &&
    [ -f /usr/include/zlib.h ] && [ -d /usr/src/googletest ] && [ -x /usr/lib/wine/wine ] &&
    [ -f /usr/include/nlohmann/json.hpp ] && [ -f /usr/share/wine/fonts/marlett.ttf ] &&
    fc-list | grep -qi 'wenquanyi' && locale -a | grep -qi '^zh_CN.utf8$'
} >/dev/null 2>&1

have_all && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq || { echo "apt-get update failed" >&2; exit 1; }
# Quiet when it works; on a failure apt-get's own error says which package and why.
$SUDO apt-get install -y -qq --no-install-recommends \
  cmake make g++ clang-format \
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686 \
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev \
  binutils-mingw-w64-x86-64 \
  libz-mingw-w64-dev zlib1g-dev \
  wine wine32:i386 wine64 fonts-wine \
  xvfb xauth x11-utils xdotool imagemagick \
  locales fonts-wqy-microhei clang libclang-rt-14-dev \
  googletest nlohmann-json3-dev python3 openssl ca-certificates procps psmisc chromium nsis >/dev/null
if ! locale -a | grep -qi '^zh_CN.utf8$'; then
  $SUDO sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
