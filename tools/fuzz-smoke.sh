#!/usr/bin/env bash
# A short fuzzing pass: builds the fuzz targets with clang in build-fuzz/
# and runs each for a few seconds (FUZZ_SECONDS, default 4). Fails on any
# crash, sanitizer report or broken property.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh

# clang and its libFuzzer and sanitizer runtimes.
missing=()
for p in clang libclang-rt-14-dev; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

bash fuzz/run.sh "${FUZZ_SECONDS:-4}"
