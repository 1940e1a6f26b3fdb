#!/usr/bin/env bash
# Creates the project's Wine prefix once (single-threaded, before tests run in parallel) and
# keeps a wine server alive for the caller. Usage: tools/wine-prefix.sh PREFIX
set -euo pipefail
prefix=${1:?prefix}
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=zh_CN.UTF-8
if [ ! -f "$prefix/.brindlow-ready" ]; then
  mkdir -p "$prefix"
  wineboot --init >/dev/null 2>&1
  wineserver -w
  # No crash dialog waiting for a click in unattended runs; Wine draws window frames itself
  # so screenshots under a bare X server show the caption.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d Y /f >/dev/null 2>&1
  wineserver -w
  touch "$prefix/.brindlow-ready"
fi
