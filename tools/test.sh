#!/usr/bin/env bash
# Builds Brindlow and runs every test: the Windows-free logic natively with sanitizers, the fuzz
# targets, then the whole CTest suite (unit tests under Wine, the program driven under Wine and
# Xvfb, the packages) for each build this machine can run: the 32-bit build (the product) where
# the kernel runs 32-bit programs, and the 64-bit build always. The first and the last line say
# which suites ran and, for one that did not, why.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
# A locale the install step has just generated is invisible to this shell (glibc opens its locale
# archive once a process): go on in a fresh one.
[ -n "${BRINDLOW_FRESH_SHELL:-}" ] || BRINDLOW_FRESH_SHELL=1 exec bash tools/test.sh "$@"
source tools/session.sh

declare -A preset=([win32]=default [win64]=win64) name=([win32]=32-bit [win64]=64-bit)
declare -A result=()
archs=(win64)
if why=$(wine_can_run_win32 2>&1); then
  archs=(win32 win64)
  echo "Brindlow tests: the 32-bit and the 64-bit suites run on this machine"
else
  result[win32]="skipped: $why"
  echo "Brindlow tests: the 64-bit suite runs; the 32-bit suite is skipped: $why"
fi

summary() {
  local line="Brindlow tests:" arch
  for arch in win32 win64; do line+=" ${name[$arch]} suite ${result[$arch]:-not run};"; done
  echo "${line%;}"
}
trap 'status=$?; summary; session_cleanup; exit $status' EXIT

for arch in "${archs[@]}"; do
  cmake --preset "${preset[$arch]}" >/dev/null
  cmake --build --preset "${preset[$arch]}"
done
start_xvfb
bash tools/native-tests.sh build/native
# A finding of the fuzzers fails the run, but only after the other tests have run too.
fuzz_status=0
bash tools/fuzz.sh 20 || fuzz_status=$?

# Each suite also builds its users' packages (the package workflow) and tests them in a Wine
# prefix of their own.
status=$fuzz_status
for arch in "${archs[@]}"; do
  start_wine "$arch"
  if ctest --preset "${preset[$arch]}"; then
    result[$arch]=passed
  else
    result[$arch]=FAILED
    status=1
  fi
  wineserver -k >/dev/null 2>&1 || true
done
exit "$status"
