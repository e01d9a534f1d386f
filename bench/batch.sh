#!/usr/bin/env bash
# A batch of small files converted by one `gridlet convert` run, against one
# run per file: the whole process, start-up and file writing included.
#
#   bench/batch.sh [GRIDLET] [COUNT] [WORKBOOK_SAMPLE]
#
# GRIDLET is the built command (default build/gridlet), COUNT the number of
# files of each kind (default 1000). Workbook sources go through LibreOffice
# when it is installed: one run converts COUNT workbooks, and the separate
# runs, which start LibreOffice each, are timed on WORKBOOK_SAMPLE of them
# (default 20) and given per file. Every timing is the median of RUNS runs
# (default 3). The outputs of the two ways are compared byte for byte.
set -euo pipefail

GRIDLET=$(realpath "${1:-build/gridlet}")
COUNT=${2:-1000}
WORKBOOK_SAMPLE=${3:-20}
RUNS=${RUNS:-3}
[ -x "$GRIDLET" ] || { echo "batch.sh: no gridlet command at $GRIDLET" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/gridlet_batch_XXXXXX")
trap 'rm -rf "$work"' EXIT

now() { date +%s.%N; }
# The median of the numbers on standard input.
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# COUNT small sheets: five rows of numbers, texts and formulas each.
mkdir -p "$work/txt"
awk -v count="$COUNT" -v dir="$work/txt" 'BEGIN {
  for (i = 1; i <= count; i++) {
    file = sprintf("%s/s%04d.txt", dir, i)
    for (r = 1; r <= 5; r++) {
      printf "Item %d-%d\t%d\t%d.%02d\t=B%d*C%d\t=SUM(B1:B%d)\r\n", i, r, i * r, r, i % 100, r, r, r > file
    }
    close(file)
  }
}'

# The notes of the commands (such as a name changed for the device) go to
# a log; a failed conversion ends the script.
log="$work/messages.log"
trap 'echo "batch.sh: a conversion failed:" >&2; tail -n 5 "$log" >&2' ERR
convert_all() {  # FROM-FOLDER EXT TO OUT
  "$GRIDLET" convert "$1"/*."$2" --to "$3" -o "$4" --overwrite yes > /dev/null 2>> "$log"
}

# Sources of the calculator kinds, made from the text sheets.
for kind in xbv xdy; do
  mkdir -p "$work/$kind"
  convert_all "$work/txt" txt "$kind" "$work/$kind"
done

# Times one batch run and one run per file over the files given; prints
# the seconds per file of each way.
measure() {  # LABEL TO FILE...
  local label=$1 to=$2
  shift 2
  local n=$#
  local one=() each=()
  for ((run = 0; run < RUNS; run++)); do
    rm -rf "$work/one" "$work/each"
    mkdir -p "$work/one" "$work/each"
    local t0 t1 t2
    t0=$(now)
    "$GRIDLET" convert "$@" --to "$to" -o "$work/one" --overwrite yes > /dev/null 2>> "$log"
    t1=$(now)
    for f in "$@"; do
      "$GRIDLET" convert "$f" --to "$to" -o "$work/each" --overwrite yes > /dev/null 2>> "$log"
    done
    t2=$(now)
    one+=("$(echo "($t1 - $t0) / $n" | bc -l)")
    each+=("$(echo "($t2 - $t1) / $n" | bc -l)")
    if ! diff -r "$work/one" "$work/each" > /dev/null; then
      echo "batch.sh: $label: the two ways wrote different files" >&2
      exit 1
    fi
  done
  local m1 m2
  m1=$(printf '%s\n' "${one[@]}" | median)
  m2=$(printf '%s\n' "${each[@]}" | median)
  printf '| %-22s | %6d | %10.2f | %10.2f | %7.1f |\n' "$label" "$n" \
    "$(echo "$m1 * 1000" | bc -l)" "$(echo "$m2 * 1000" | bc -l)" "$(echo "$m2 / $m1" | bc -l)"
}

echo "| conversion             | files  | one run ms/file | own run ms/file | ratio |"
echo "|---|---|---|---|---|"
measure "txt -> xbv" xbv "$work"/txt/*.txt
measure "txt -> xdy" xdy "$work"/txt/*.txt
measure "xbv -> txt" txt "$work"/xbv/*.xbv
measure "xdy -> txt" txt "$work"/xdy/*.xdy
measure "xdy -> xfy (copy)" xfy "$work"/xdy/*.xdy
measure "txt -> null" null "$work"/txt/*.txt

if command -v soffice > /dev/null || command -v libreoffice > /dev/null; then
  mkdir -p "$work/xls"
  t0=$(now)
  convert_all "$work/txt" txt xls "$work/xls"
  t1=$(now)
  printf '| %-22s | %6d | %10.2f | %10s | %7s |\n' "txt -> xls (one run)" "$COUNT" \
    "$(echo "($t1 - $t0) * 1000 / $COUNT" | bc -l)" "-" "-"
  # One run over all the workbooks, and both ways over the sample.
  rm -rf "$work/one"
  mkdir -p "$work/one"
  t0=$(now)
  "$GRIDLET" convert "$work"/xls/*.xls --to txt -o "$work/one" --overwrite yes > /dev/null 2>> "$log"
  t1=$(now)
  printf '| %-22s | %6d | %10.2f | %10s | %7s |\n' "xls -> txt (one run)" "$COUNT" \
    "$(echo "($t1 - $t0) * 1000 / $COUNT" | bc -l)" "-" "-"
  mapfile -t sample < <(printf '%s\n' "$work"/xls/*.xls | head -n "$WORKBOOK_SAMPLE")
  measure "xls -> txt (sample)" txt "${sample[@]}"
else
  echo "LibreOffice is not installed: workbook sources were not measured."
fi
