#!/usr/bin/env bash
# Builds the pure logic and its unit tests for this machine with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs them. Usage: tools/native-tests.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/native}
cmake -S "$here/tests/native" -B "$build" -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build" -j "$(nproc)"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
