#!/usr/bin/env bash
# Builds Gridlet and converts the bundled example sheet to an XB Plus sheet
# file, shows it, and converts it back to tab text.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/build.sh
mkdir -p out
./build/gridlet convert examples/budget.txt --to xbv --name BUDGET -o out/ --overwrite yes
./build/gridlet show out/BUDGET.xbv
./build/gridlet convert out/BUDGET.xbv --to txt --name budget-back -o out/ --overwrite yes
