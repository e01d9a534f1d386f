#!/usr/bin/env bash
# Builds the gridlet command alone (as the quick start does) and starts the
# web page and conversion service on http://127.0.0.1:8080/. Options go to
# `gridlet serve`, e.g. `bash tools/serve.sh --port 9000`.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh --command
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" \
  -DGRIDLET_BUILD_TESTS=OFF -DGRIDLET_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD_DIR" --target gridlet -j"$(nproc)"
exec "$BUILD_DIR"/gridlet serve "$@"
