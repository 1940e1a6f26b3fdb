# Sourced by the start and test scripts: the project's Wine prefix, a live wine server and, when
# asked, an X server of our own. Everything started here is ended on exit.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${BRINDLOW_WINEPREFIX:-$here/build/wineprefix}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY
export no_proxy=127.0.0.1,localhost

session_pids=()
session_cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  for pid in "${session_pids[@]}"; do kill "$pid" >/dev/null 2>&1 || true; done
}
trap session_cleanup EXIT

# An X server of our own on a free display number.
start_xvfb() {
  local n
  for n in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    session_pids+=($!)
    export DISPLAY=":$n"
    for _ in $(seq 1 100); do
      [ -e "/tmp/.X11-unix/X$n" ] && return 0
      sleep 0.1
    done
  done
  echo "could not start Xvfb" >&2
  return 1
}

start_wine() {
  "$here/tools/wine-prefix.sh" "$WINEPREFIX"
  # A persistent server, and the prefix's background services started now with no output to
  # hold: otherwise the first test's wine process starts them, they inherit that test's output
  # pipe, and CTest waits on it until its time-out.
  wineserver -p </dev/null >/dev/null 2>&1
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}
