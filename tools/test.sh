#!/usr/bin/env bash
# Builds Gridlet and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/build.sh
ctest --test-dir build --output-on-failure -j"$(nproc)"
