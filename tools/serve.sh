#!/usr/bin/env bash
# Builds the gridlet command (only it) and starts the web page and
# conversion service on http://127.0.0.1:8080/. Options go to
# `gridlet serve`, e.g. `bash tools/serve.sh --port 9000`.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target gridlet -j"$(nproc)"
exec ./build/gridlet serve "$@"
