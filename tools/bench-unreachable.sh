#!/usr/bin/env bash
# Benchmark of archives that refer to a host whose connections never complete (a firewall that
# drops packets, a blocked host): the real program archives PAGES pages (default 100) at 20
# threads, each page with two images on the test server's clogged port and one good image, and
# then the same pages without those two images. Prints the wall time of each batch, from Run to
# the end of the batch. Goal: the first under 30 s (each page alone would take its 11 s of
# connection waits; the host is paid about once, not once a page).
# Usage: tools/bench-unreachable.sh [PAGES]   (build folder: $BRINDLOW_BUILD, default: the
# build this machine runs, see tools/wine-env.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
pages=${1:-100}
source tools/session.sh
arch=$(wine_default_arch)
build=$(brindlow_build_dir "$arch")
driver=$build/bin/batch_tests.exe
[ -x "$driver" ] || { echo "no $driver: build brindlow, mavrel and batch_tests first" >&2; exit 1; }
start_xvfb
start_wine "$arch"
work=$build/bench-unreachable
state=$work/server
mkdir -p "$work"
bash tests/server/serverctl.sh start "$state" "$build/bin" >/dev/null
stop_all() {
  bash tests/server/serverctl.sh stop "$state"
  session_cleanup
}
trap stop_all EXIT
port=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["http"])' \
  "$state/ports.json")
winpath() { echo "Z:${1//\//\\}"; }

# One batch of archives over /standins/CLOGGED/0/0/pN; prints its wall time in ms.
run_batch() {
  local clogged=$1 name=$2
  local list=$work/$name.txt result=$work/$name.result out=$work/$name-out
  rm -rf "$out" "$result"
  mkdir -p "$out"
  for i in $(seq 1 "$pages"); do
    printf 'http://127.0.0.1:%s/standins/%s/0/0/%s%s\r\n' "$port" "$clogged" "$name" "$i"
  done >"$list"
  BRINDLOW_SERVER_PORTS=$state/ports.json BRINDLOW_SOAK_FORMAT=2 \
    BRINDLOW_SOAK_LIST=$(winpath "$list") BRINDLOW_SOAK_RESULT=$(winpath "$result") \
    BRINDLOW_SOAK_OUT=$(winpath "$out") BRINDLOW_SOAK_SECONDS=600 \
    "$PWD/cmake/wine-exec.sh" "$driver" --gtest_filter='SoakTest.*' >"$work/$name.log" 2>&1 ||
    { echo "the $name batch failed; see $work/$name.log" >&2; exit 1; }
  local archives
  archives=$(find "$out" -name '*.mht' | wc -l)
  echo "$(sed -n 's/^wall_ms //p' "$result") $archives"
}

read -r with_ms with_files < <(run_batch 2 unreachable)
read -r without_ms without_files < <(run_batch 0 reachable)
echo "$pages archive pages at 20 threads, each with two images on a host that never connects"
echo "and one good image: $with_ms ms ($with_files archives written; goal under 30000 ms)"
echo "the same pages without the unreachable host: $without_ms ms ($without_files archives)"
