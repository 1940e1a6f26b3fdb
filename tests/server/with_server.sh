#!/usr/bin/env bash
# Runs one command while the test server is up, then stops the server.
# Usage: with_server.sh [pageserver options, e.g. --certs DIR] -- COMMAND [ARGS...]
# COMMAND sees BRINDLOW_HTTP_PORT and, with --certs, BRINDLOW_TLS_PORT and
# BRINDLOW_SELFSIGNED_PORT (Wine passes them on to Windows programs). Exit code: COMMAND's.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
server_args=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  server_args+=("$1")
  shift
done
[ $# -gt 1 ] || { echo "usage: with_server.sh [server options] -- COMMAND [ARGS...]" >&2; exit 2; }
shift
work=$(mktemp -d)
python3 "$here/pageserver.py" --port-file "$work/ports.json" "${server_args[@]}" &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 300); do
  [ -f "$work/ports.json" ] && break
  kill -0 "$server" 2>/dev/null || { echo "with_server.sh: the server did not start" >&2; exit 1; }
  sleep 0.1
done
[ -f "$work/ports.json" ] || { echo "with_server.sh: no port file after 30 s" >&2; exit 1; }
eval "$(python3 -c '
import json, sys
ports = json.load(open(sys.argv[1]))
for name, port in ports.items():
    print("export BRINDLOW_%s_PORT=%d" % (name.upper(), port))
' "$work/ports.json")"
status=0
"$@" || status=$?
exit "$status"
