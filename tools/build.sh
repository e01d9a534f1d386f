#!/usr/bin/env bash
# Configures and builds everything in build/ (or the folder given as
# $BUILD_DIR): the command, the tests, the benchmarks and, where MinGW-w64 is
# installed, the Windows server. Arguments go to CMake after these settings
# and override them.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build}
# The quick start may have configured the folder for the command alone.
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} \
  -DGRIDLET_BUILD_TESTS=ON -DGRIDLET_BUILD_BENCH=ON "$@" >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
