#!/usr/bin/env bash
# Benchmark of one page's web archive: /site50/index.html of the test server (50 images, each
# answered after 50 ms; one at a time that is 2.5 s) archived a few times by mht_probe.exe.
# Prints, per run, the archive's wall time (Wine's start-up not counted), the number of fetches
# and the bytes written. Goal: under 1 s.
# Usage: tools/bench-mht.sh [RUNS]   (build folder: $BRINDLOW_BUILD, default: the
# build this machine runs, see tools/wine-env.sh)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/tools/wine-env.sh"
build=$(brindlow_build_dir "$(wine_default_arch)")
runs=${1:-5}
probe=$build/bin/mht_probe.exe
[ -x "$probe" ] || { echo "no $probe: build the mht_probe target first" >&2; exit 1; }

work=$(mktemp -d)
server_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

python3 "$here/tests/server/pageserver.py" --port-file "$work/ports.json" --max-seconds 600 \
  >/dev/null 2>&1 &
server_pid=$!
for _ in $(seq 1 100); do [ -s "$work/ports.json" ] && break; sleep 0.1; done
port=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["http"])' "$work/ports.json")
url="http://127.0.0.1:$port/site50/index.html"

echo "archiving $url, $runs runs"
for run in $(seq 1 "$runs"); do
  line=$("$here/cmake/wine-exec.sh" "$probe" "$url" "Z:${work//\//\\}\\site50.mht" || true)
  # The probe's counters are per process, so each line is one archive.
  echo "run $run: $(sed -n 's/.*written=\([01]\) bytes=\([0-9]*\) fetches=\([0-9]*\) failed=\([0-9]*\) ms=\([0-9]*\).*/wall \5 ms, \3 fetches (\4 failed), \2 bytes written, archive written=\1/p' <<<"$line")"
done
