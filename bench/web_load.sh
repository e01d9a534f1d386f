#!/usr/bin/env bash
# The web service under load: runs the load test of `gridlet serve` with
# more requests than the test suite sends and writes its figures
# (throughput, p50 and p99 latency) into bench/README.md, between the
# web-load markers.
#
#   bench/web_load.sh [BUILD] [REQUESTS]
#
# BUILD is the build folder (default build), REQUESTS the number of
# conversions (default 2000), 32 at once, each checked byte for byte against
# what `gridlet convert` writes for the same file.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=$(realpath "${1:-build}")
REQUESTS=${2:-2000}
cmake --build "$BUILD" --target gridlet web_load_test -j"$(nproc)" >/dev/null

# The machine is shared: its load when the run starts goes with the figures.
load=$(cut -d' ' -f1 /proc/loadavg)
report=$(mktemp)
trap 'rm -f "$report"' EXIT
GRIDLET_CLI="$BUILD/gridlet" GRIDLET_LOAD_REQUESTS="$REQUESTS" GRIDLET_LOAD_REPORT="$report" \
  "$BUILD/tests/web_load_test" --gtest_brief=1 >&2

{
  echo "Measured $(date -u +%Y-%m-%d) with \`bash bench/web_load.sh ${1:-build} $REQUESTS\` on this machine"
  echo "($(nproc) processors; \`gridlet serve\` with its defaults: one conversion per processor at once,"
  echo "two LibreOffice instances). Latency is from the client's request to the last byte of the answer,"
  echo "queueing included; the LibreOffice instances start during the first requests. The load"
  echo "average of the machine was $load when the run began (other work shares its processors)."
  echo
  cat "$report"
} >"$report.section"

# Replace what stands between the markers.
awk -v section="$report.section" '
  /<!-- web-load:begin -->/ { print; while ((getline line < section) > 0) print line; skip = 1; next }
  /<!-- web-load:end -->/ { skip = 0 }
  !skip { print }
' bench/README.md >"$report.readme"
mv "$report.readme" bench/README.md
rm -f "$report.section"
sed -n '/<!-- web-load:begin -->/,/<!-- web-load:end -->/p' bench/README.md
