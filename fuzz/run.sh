#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a bounded time.
#
#   fuzz/run.sh [seconds-per-target] [target...]
#
# Seconds default to 60; targets default to all of them. The build goes to
# build-fuzz/ (or $FUZZ_BUILD_DIR). Each target starts from seeds the engine
# writes and keeps its corpus in <build>/corpus/<target>, so later runs go
# on where earlier ones stopped. Crashing inputs are saved to
# <build>/crashes/. The script fails when any target finds a crash; to
# replay one, run the target on the file: <build>/fuzz/fuzz_<target> <file>.
set -euo pipefail
cd "$(dirname "$0")/.."

SECONDS_PER_TARGET=${1:-60}
shift || true
BUILD=${FUZZ_BUILD_DIR:-build-fuzz}
ALL_TARGETS=(text_sheet xb_sheet sheet68k render68k xb_tokens_to_text xb_text_to_tokens
             char_escape link_file convert workbook_text)
TARGETS=("${@:-${ALL_TARGETS[@]}}")

if ! command -v clang++ >/dev/null; then
  echo "fuzz/run.sh: clang++ is needed" >&2
  exit 1
fi

CXX=clang++ cmake -S . -B "$BUILD" -DGRIDLET_FUZZ=ON -DGRIDLET_BUILD_TESTS=OFF \
  -DGRIDLET_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" >/dev/null
cmake --build "$BUILD" --target gridlet_fuzz -j"$(nproc)" >/dev/null

rm -rf "$BUILD/seeds"
"$BUILD/fuzz/fuzz_make_seeds" "$BUILD/seeds" >/dev/null
mkdir -p "$BUILD/crashes"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
printf '%-20s %12s %10s %8s\n' target executions exec/s corpus
for target in "${TARGETS[@]}"; do
  corpus="$BUILD/corpus/$target"
  mkdir -p "$corpus"
  log="$BUILD/fuzz-$target.log"
  # -rss_limit_mb and -malloc_limit_mb catch memory growth without bound,
  # -timeout an input that hangs.
  status=0
  "$BUILD/fuzz/fuzz_$target" "$corpus" "$BUILD/seeds/$target" \
    -max_total_time="$SECONDS_PER_TARGET" -timeout=10 -rss_limit_mb=2048 \
    -malloc_limit_mb=512 -max_len=8192 -print_final_stats=1 \
    -artifact_prefix="$BUILD/crashes/$target-" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  size=$(find "$corpus" -type f | wc -l)
  printf '%-20s %12s %10s %8s\n' "$target" "${runs:-?}" "${speed:-?}" "$size"
  if [ "$status" -ne 0 ]; then
    failed+=("$target")
    echo "---- $target failed (exit $status); the end of $log:" >&2
    grep -E 'ERROR|PROPERTY FAILED|SUMMARY|runtime error|Test unit written' "$log" | head -20 >&2 || true
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz/run.sh: crashes in: ${failed[*]} (inputs in $BUILD/crashes/)" >&2
  exit 1
fi
