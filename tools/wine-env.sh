# Sourced: Wine for one of the project's two builds. The 32-bit build (the product) runs under
# Wine's 32-bit loader, which needs a kernel that runs i386 programs; the 64-bit build runs under
# the 64-bit loader in a 64-bit prefix of its own. Debian's `wine` script picks the 32-bit loader
# whenever wine32 is installed, so each loader is named here explicitly.
#
#   wine_can_run_win32     true when the 32-bit loader starts; otherwise prints why on stderr
#   wine_default_arch      win32 where it runs, else win64 (BRINDLOW_ARCH overrides)
#   wine_pe_arch FILE      win32 or win64, from a PE file's header (nothing for other files)
#   wine_use ARCH          exports the loader, server, prefix and locale for ARCH, and defines
#                          the shell functions wine, wineserver and wineboot for it
#   brindlow_build_dir ARCH  the development build's folder (BRINDLOW_BUILD overrides)
#   brindlow_preset ARCH     the development build's CMake preset
brindlow_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

wine_can_run_win32() {
  local out
  if [ ! -x /usr/lib/wine/wine ]; then
    echo "Wine's 32-bit loader /usr/lib/wine/wine is not installed (package wine32:i386)" >&2
    return 1
  fi
  if ! out=$(/usr/lib/wine/wine --version 2>&1); then
    echo "this kernel runs no 32-bit programs (/usr/lib/wine/wine: ${out##*: })" >&2
    return 1
  fi
}

wine_default_arch() {
  if [ -n "${BRINDLOW_ARCH:-}" ]; then
    echo "$BRINDLOW_ARCH"
  elif wine_can_run_win32 2>/dev/null; then
    echo win32
  else
    echo win64
  fi
}

wine_pe_arch() {
  local file=$1 offset machine
  [ -f "$file" ] || return 0
  [ "$(head -c 2 "$file" 2>/dev/null)" = "MZ" ] || return 0
  offset=$(od -An -tu4 -j60 -N4 "$file" | tr -d ' ')
  machine=$(od -An -tx2 -j$((offset + 4)) -N2 "$file" | tr -d ' ')
  case $machine in
    14c) echo win32 ;;
    8664) echo win64 ;;
  esac
}

brindlow_build_dir() {
  if [ -n "${BRINDLOW_BUILD:-}" ]; then
    echo "$BRINDLOW_BUILD"
  elif [ "$1" = win64 ]; then
    echo "$brindlow_root/build/win64"
  else
    echo "$brindlow_root/build"
  fi
}

brindlow_preset() {
  if [ "$1" = win64 ]; then echo win64; else echo default; fi
}

wine_use() {
  local arch=${1:?arch}
  case $arch in
    win32)
      export WINELOADER=/usr/lib/wine/wine WINESERVER=/usr/lib/wine/wineserver64
      export WINEPREFIX=${BRINDLOW_WINEPREFIX:-$brindlow_root/build/wineprefix}
      ;;
    win64)
      export WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64
      export WINEPREFIX=${BRINDLOW_WINEPREFIX:-$brindlow_root/build/wineprefix64}
      ;;
    *)
      echo "unknown architecture '$arch' (win32 or win64)" >&2
      return 1
      ;;
  esac
  export WINEARCH=$arch BRINDLOW_ARCH=$arch
  export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
  export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
  unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY
  export no_proxy=127.0.0.1,localhost
}

wine() { "$WINELOADER" "$@"; }
wineserver() { "$WINESERVER" "$@"; }
wineboot() { "$WINELOADER" wineboot "$@"; }
