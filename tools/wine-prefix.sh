#!/usr/bin/env bash
# Creates the project's Wine prefix for an architecture once (single-threaded, before tests run
# in parallel). Usage: tools/wine-prefix.sh PREFIX [win32|win64]
set -euo pipefail
prefix=${1:?prefix}
source "$(dirname "$0")/wine-env.sh"
BRINDLOW_WINEPREFIX=$prefix wine_use "${2:-$(wine_default_arch)}"
if [ ! -f "$prefix/.brindlow-ready" ]; then
  rm -rf "$prefix"
  mkdir -p "$prefix"
  # Its output is kept and shown only when it fails: it is long, and all of it is needed then.
  log=$(mktemp)
  if ! wineboot --init >"$log" 2>&1 || ! wineserver -w >>"$log" 2>&1; then
    echo "creating the $WINEARCH Wine prefix $prefix failed ($WINELOADER wineboot --init):" >&2
    cat "$log" >&2
    rm -f "$log"
    exit 1
  fi
  rm -f "$log"
  # No crash dialog waiting for a click in unattended runs; Wine draws window frames itself
  # so screenshots under a bare X server show the caption.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d Y /f >/dev/null
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
