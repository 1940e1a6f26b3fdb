#!/usr/bin/env bash
# Builds Brindlow and runs every test (unit tests and the program driven under Wine and Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
# A locale the install step has just generated is invisible to this shell (glibc opens its locale
# archive once a process): go on in a fresh one.
[ -n "${BRINDLOW_FRESH_SHELL:-}" ] || BRINDLOW_FRESH_SHELL=1 exec bash tools/test.sh "$@"
cmake --preset default >/dev/null
cmake --build --preset default
source tools/session.sh
start_xvfb
start_wine
bash tools/native-tests.sh build/native
# A finding of the fuzzers fails the run, but only after the other tests have run too.
fuzz_status=0
bash tools/fuzz.sh 20 || fuzz_status=$?
# The CTest run also builds the users' packages (cmake --workflow --preset package) and tests
# them in a Wine prefix of their own.
ctest --preset default
exit "$fuzz_status"
