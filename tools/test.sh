#!/usr/bin/env bash
# Builds Brindlow and runs every test (unit tests and the program driven under Wine and Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
source tools/session.sh
start_xvfb
start_wine
bash tools/native-tests.sh build/native
bash tools/fuzz.sh 20
ctest --preset default
