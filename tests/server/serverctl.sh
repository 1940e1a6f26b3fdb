#!/usr/bin/env bash
# Starts and stops the loopback test server around a test run (a CTest fixture).
#   serverctl.sh start STATE_DIR BIN_DIR   certificates made once in STATE_DIR/certs, the test
#                                          authority trusted inside the tests' Wine prefix
#                                          (never the machine's store), the server started;
#                                          its ports land in STATE_DIR/ports.json
#   serverctl.sh stop STATE_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
action=${1:?start or stop}
state=${2:?state dir}

stop_server() {
  if [ -f "$state/server.pid" ]; then
    kill "$(cat "$state/server.pid")" 2>/dev/null || true
    rm -f "$state/server.pid"
  fi
}

case "$action" in
  start)
    bin=${3:?bin dir}
    mkdir -p "$state"
    stop_server
    rm -f "$state/ports.json"
    [ -f "$state/certs/ca.der" ] || bash "$here/make_certs.sh" "$state/certs" >/dev/null
    # The test authority is trusted in the Wine prefix of the build whose tests use it.
    prefix=$(source "$repo/tools/wine-env.sh" && wine_use "$(wine_pe_arch "$bin/trust_ca.exe")" &&
      echo "$WINEPREFIX")
    marker="$prefix/.brindlow-test-ca-$(sha1sum "$state/certs/ca.der" | cut -c1-12)"
    if [ ! -f "$marker" ]; then
      "$repo/cmake/wine-exec.sh" "$bin/trust_ca.exe" "Z:${state//\//\\}\\certs\\ca.der"
      touch "$marker"
    fi
    setsid python3 "$here/pageserver.py" --certs "$state/certs" --port-file "$state/ports.json" \
      --max-seconds 3600 </dev/null >"$state/server.log" 2>&1 &
    echo $! >"$state/server.pid"
    for _ in $(seq 300); do
      [ -f "$state/ports.json" ] && { cat "$state/ports.json"; exit 0; }
      sleep 0.1
    done
    echo "the test server did not start; its log:" >&2
    cat "$state/server.log" >&2
    exit 1
    ;;
  stop)
    stop_server
    ;;
  *)
    echo "usage: serverctl.sh start|stop STATE_DIR [BIN_DIR]" >&2
    exit 2
    ;;
esac
