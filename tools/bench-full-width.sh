#!/usr/bin/env bash
# Benchmark of the program at its stated limits at once: twenty different pages of 16 MB at 20
# threads, once as text files and once as web archives, each batch run by the real program under
# Wine and Xvfb against the loopback server (the FullWidthTest cases of batch_tests.exe, which
# also check every file byte for byte). Prints, per batch, its wall time from Run to the end
# and the program's peak private bytes and peak working set, sampled every 20 ms.
# Usage: tools/bench-full-width.sh [RUNS]   (build folder: $BRINDLOW_BUILD, default: the
# build this machine runs, see tools/wine-env.sh)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/tools/session.sh"
arch=$(wine_default_arch)
build=$(brindlow_build_dir "$arch")
runs=${1:-1}
driver=$build/bin/batch_tests.exe
[ -x "$driver" ] || { echo "no $driver: build the batch_tests target first" >&2; exit 1; }

start_xvfb
start_wine "$arch"
state=$(mktemp -d)
bench_cleanup() {
  bash "$here/tests/server/serverctl.sh" stop "$state" >/dev/null 2>&1 || true
  rm -rf "$state"
  session_cleanup
}
trap bench_cleanup EXIT
bash "$here/tests/server/serverctl.sh" start "$state" "$build/bin" >/dev/null
export BRINDLOW_SERVER_PORTS=$state/ports.json

for run in $(seq 1 "$runs"); do
  echo "run $run:"
  status=0
  output=$(wine "$driver" --gtest_filter='FullWidthTest.TwentyLarge*' 2>&1) || status=$?
  grep 'full width:' <<<"$output" | sed 's/^full width: /  /'
  if [ "$status" -ne 0 ]; then
    echo "  a batch lost or damaged a page:" >&2
    grep -E 'Failure|FAILED' <<<"$output" >&2 || true
  fi
done
