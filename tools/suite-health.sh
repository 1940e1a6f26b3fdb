#!/usr/bin/env bash
# The suite's own health: runs the GUI tests (the real program driven under Wine and Xvfb: the
# dialog, whole batches, archives) RUNS times (default 5) on each build this machine can run,
# then prints, per test, its passes, failures and slowest time, and one line of totals. Exits
# non-zero when any run of any test failed, so that a test that fails only sometimes shows here
# before it reaches CI. Not a test itself; in a clean clone it builds what it needs first.
# Usage: tools/suite-health.sh [RUNS] [CTEST_REGEX]   (logs: build/suite-health/)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
regex=${2:-}
bash tools/install-deps.sh
[ -n "${BRINDLOW_FRESH_SHELL:-}" ] || BRINDLOW_FRESH_SHELL=1 exec bash tools/suite-health.sh "$@"
source tools/session.sh

archs=(win64)
if why=$(wine_can_run_win32 2>&1); then
  archs=(win32 win64)
else
  echo "the 32-bit build is left out: $why"
fi
out=$PWD/build/suite-health
rm -rf "$out"
mkdir -p "$out"
start_xvfb
for arch in "${archs[@]}"; do
  preset=$(brindlow_preset "$arch")
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" >"$out/$arch-build.log" 2>&1 ||
    { cat "$out/$arch-build.log" >&2; exit 1; }
  start_wine "$arch"
  for run in $(seq 1 "$runs"); do
    echo "$arch run $run of $runs"
    ctest --preset "$preset" -L gui ${regex:+-R "$regex"} --output-junit "$out/$arch-$run.xml" \
      >"$out/$arch-$run.log" 2>&1 || true
  done
  wineserver -k >/dev/null 2>&1 || true
done

python3 - "$out" <<'EOF'
import collections, glob, os, sys
import xml.etree.ElementTree as ET

out = sys.argv[1]
stats = collections.OrderedDict()  # (arch, test) -> [passes, failures, slowest seconds]
for path in sorted(glob.glob(os.path.join(out, "*.xml"))):
    arch = os.path.basename(path).split("-")[0]
    for case in ET.parse(path).getroot().iter("testcase"):
        if case.get("status") in ("disabled", "notrun") or case.find("skipped") is not None:
            continue
        entry = stats.setdefault((arch, case.get("name")), [0, 0, 0.0])
        failed = case.get("status") == "fail" or case.find("failure") is not None
        entry[1 if failed else 0] += 1
        entry[2] = max(entry[2], float(case.get("time") or 0))
if not stats:
    sys.exit("no test ran: see the logs in " + out)
width = max(len(test) for _, test in stats)
print(f"{'build':6} {'test':{width}} {'passed':>6} {'failed':>6} {'slowest':>8}")
for (arch, test), (passed, failed, slowest) in stats.items():
    mark = "  <- failed" if failed else ""
    print(f"{arch:6} {test:{width}} {passed:6} {failed:6} {slowest:7.1f}s{mark}")
runs = sum(p + f for p, f, _ in stats.values())
failures = sum(f for _, f, _ in stats.values())
flaky = sum(1 for _, f, _ in stats.values() if f)
print(f"suite health: {len(stats)} tests, {runs} runs, {failures} failed runs, "
      f"{flaky} tests failed at least once (logs: {out})")
sys.exit(1 if failures else 0)
EOF
