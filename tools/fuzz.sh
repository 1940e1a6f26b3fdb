#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) and
# runs each for SECONDS (default 60) on a copy of its committed seed corpus, one after another.
# Prints the executions per target and what each found; exits non-zero if anything was found.
# Usage: tools/fuzz.sh [SECONDS] [TARGET...]   Findings: build/fuzz/findings/
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
build=$here/build/fuzz
targets=("$@")
[ ${#targets[@]} -gt 0 ] ||
  targets=(html_refs css_refs url_resolve output_name ini_document page_charset page_text archive
    content_decoding)

cmake -S "$here/tests/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
mkdir -p "$build/findings"
failed=0
summary=()
for t in "${targets[@]}"; do
  # New inputs go to a scratch corpus, so that the committed seeds stay small.
  work=$build/corpus/$t
  mkdir -p "$work"
  log=$build/$t.log
  status=ok
  # One allocation above 64 MB is a blow-up for these inputs (pages of at most a few MB).
  timeout $((seconds + 120)) "$build/fuzz_$t" -max_total_time="$seconds" -print_final_stats=1 \
    -malloc_limit_mb=64 -rss_limit_mb=2048 -timeout=25 \
    -artifact_prefix="$build/findings/$t-" "$work" "$here/tests/fuzz/corpus/$t" >"$log" 2>&1 ||
    status=FOUND
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  if [ "$status" != ok ]; then
    failed=1
    found=$(grep -m1 -E '^(==[0-9]+==ERROR|.*property failed|SUMMARY)' "$log" || true)
    artifact=$(sed -n 's/.*Test unit written to //p' "$log" | tail -1)
    summary+=("$(printf '%-14s %10s execs  FOUND: %s (%s)' "$t" "${execs:-?}" "$found" "$artifact")")
  else
    summary+=("$(printf '%-14s %10s execs  nothing found (corpus %s files)' "$t" "$execs" \
      "$(ls "$work" | wc -l)")")
  fi
done
printf '%s\n' "${summary[@]}"
[ "$failed" -eq 0 ] || echo "logs: $build/<target>.log" >&2
exit "$failed"
