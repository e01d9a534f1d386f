#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-sanitize/ and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
export BUILD_DIR=${SANITIZE_BUILD_DIR:-build-sanitize}
# -O0 keeps the instrumented build quick: test files compile three times
# faster than at -O1, and the tests still run in about a minute. The
# benchmarks and the cross-compiled Windows server (whose code the
# sanitizers do not see) are left out, and so are its Wine tests.
BUILD_TYPE=RelWithDebInfo bash tools/build.sh -DGRIDLET_SANITIZE=ON -DGRIDLET_BUILD_BENCH=OFF \
  -DGRIDLET_MINGW_CXX=OFF -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O0 -g"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)" -LE wine
