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
# Debian's Wine neither reads the fonts of fonts-wine (/usr/share/wine/fonts) nor copies them into
# a new prefix, and fontconfig does not index that folder: without Marlett the caption buttons are
# drawn as the letters "0 1 r". Only Marlett is copied, so the dialog's text keeps the fonts the
# tests were written against; done outside the first set-up so that older prefixes get it too.
fonts="$prefix/drive_c/windows/Fonts"
if [ ! -f "$fonts/marlett.ttf" ] && [ -f /usr/share/wine/fonts/marlett.ttf ]; then
  mkdir -p "$fonts"
  cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
fi
