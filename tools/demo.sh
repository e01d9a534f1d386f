#!/usr/bin/env bash
# The quick start: builds the gridlet command alone (not the tests, the
# Windows server, the fuzz targets or the benchmarks) and converts the
# bundled example sheet to an XB Plus sheet file, shows it, and converts it
# back to tab text.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh --command
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" \
  -DGRIDLET_BUILD_TESTS=OFF -DGRIDLET_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD_DIR" --target gridlet -j"$(nproc)"
mkdir -p out
"$BUILD_DIR"/gridlet convert examples/budget.txt --to xbv --name BUDGET -o out/ --overwrite yes
"$BUILD_DIR"/gridlet show out/BUDGET.xbv
"$BUILD_DIR"/gridlet convert out/BUDGET.xbv --to txt --name budget-back -o out/ --overwrite yes
