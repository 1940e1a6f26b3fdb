# Sourced by the start, test and benchmark scripts: Wine for one build (tools/wine-env.sh), a live
# wine server and, when asked, an X server of our own. Everything started here is ended on exit.
#   start_wine [ARCH]   the prefix for ARCH (default: the one this machine runs) and its server
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
here=$brindlow_root

session_pids=()
session_prefixes=()
session_cleanup() {
  local prefix
  for prefix in "${session_prefixes[@]}"; do
    WINEPREFIX=$prefix /usr/lib/wine/wineserver64 -k >/dev/null 2>&1 || true
  done
  for pid in "${session_pids[@]}"; do kill "$pid" >/dev/null 2>&1 || true; done
}
trap session_cleanup EXIT

# An X server of our own on a free display number.
start_xvfb() {
  local n log
  log=$(mktemp)
  for n in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$log" 2>&1 &
    session_pids+=($!)
    export DISPLAY=":$n"
    for _ in $(seq 1 100); do
      if [ -e "/tmp/.X11-unix/X$n" ]; then
        rm -f "$log"
        return 0
      fi
      kill -0 "${session_pids[-1]}" 2>/dev/null || break
      sleep 0.1
    done
  done
  echo "could not start Xvfb; its last words:" >&2
  cat "$log" >&2
  rm -f "$log"
  return 1
}

start_wine() {
  wine_use "${1:-$(wine_default_arch)}"
  "$here/tools/wine-prefix.sh" "$WINEPREFIX" "$WINEARCH"
  session_prefixes+=("$WINEPREFIX")
  # A persistent server, and the prefix's background services started now with no output to
  # hold: otherwise the first test's wine process starts them, they inherit that test's output
  # pipe, and CTest waits on it until its time-out.
  wineserver -p </dev/null >/dev/null 2>&1
  # Its output goes to a file, not a pipe: the services it starts keep what they inherit open.
  local log
  log=$(mktemp)
  if ! wine cmd /c exit </dev/null >"$log" 2>&1; then
    echo "Wine ($WINELOADER, prefix $WINEPREFIX) cannot run a program:" >&2
    cat "$log" >&2
    rm -f "$log"
    return 1
  fi
  rm -f "$log"
}
