#!/usr/bin/env bash
# Builds tests/bench/html_scan_bench.cpp optimised for this machine and runs it: the page scan's
# time over a 16 MB ordinary page and some hostile ones. Figures only.
# Usage: tools/html-scan-bench.sh
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=$here/build/bench
mkdir -p "$out"
sources=$(sed -n 's|^  ${repo}/\(mht/[a-z_0-9]*\.cpp\))\?$|\1|p; s|^  ${repo}/\(urls/[a-z_0-9]*\.cpp\))\?$|\1|p' \
  "$here/tests/host_build.cmake")
(cd "$here" && g++ -std=c++17 -O2 -I. tests/bench/html_scan_bench.cpp $sources -o "$out/html_scan_bench")
"$out/html_scan_bench"
