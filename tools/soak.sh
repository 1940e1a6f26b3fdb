#!/usr/bin/env bash
# Soak run: builds Brindlow, starts Xvfb, Wine and the loopback server of its own, and drives the
# real program over URLS URLs (default 20000) at 20 threads, about 10% of them faults; every
# output is checked. Prints wall time against the schedule's bound, CPU per page, peak memory
# and memory growth. Fails only on a wrong output, a crash or a hang, never on speed.
# Usage: tools/soak.sh [URLS] [LATENCY_MS] [--keep]   (--keep: leave every file in place)
set -euo pipefail
cd "$(dirname "$0")/.."
urls=${1:-20000}
latency=${2:-50}
shift $(($# < 2 ? $# : 2))
bash tools/install-deps.sh
source tools/session.sh
# The 32-bit build where this machine runs it, else the 64-bit one (BRINDLOW_ARCH picks).
arch=$(wine_default_arch)
build=$(brindlow_build_dir "$arch")
cmake --preset "$(brindlow_preset "$arch")" >/dev/null
cmake --build --preset "$(brindlow_preset "$arch")" >/dev/null
start_xvfb
start_wine "$arch"
state=$build/soak/server
bash tests/server/serverctl.sh start "$state" "$build/bin" >/dev/null
stop_all() {
  bash tests/server/serverctl.sh stop "$state"
  session_cleanup
}
trap stop_all EXIT
python3 tests/soak/soak.py --ports "$state/ports.json" --driver "$build/bin/batch_tests.exe" \
  --urls "$urls" --latency-ms "$latency" --work "$build/soak" "$@"
