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
ctest --preset default
