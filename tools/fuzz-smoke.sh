#!/usr/bin/env bash
# A short fuzzing pass: builds the fuzz targets with clang in build-fuzz/
# and runs each for a few seconds (FUZZ_SECONDS, default 4). Fails on any
# crash, sanitizer report or broken property.
set -euo pipefail
cd "$(dirname "$0")/.."
# clang with its libFuzzer and sanitizer runtimes, besides the usual.
bash tools/install-deps.sh clang libclang-rt-14-dev

bash fuzz/run.sh "${FUZZ_SECONDS:-4}"
