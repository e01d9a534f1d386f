#!/usr/bin/env bash
# A batch of workbook conversions by one `gridlet convert` run (one
# LibreOffice for the whole batch) against what a user would run otherwise:
# one `soffice --headless --convert-to` per file. Both ways convert the same
# workbooks in the same run of this script.
#
#   bench/workbook_batch.sh [GRIDLET] [COUNT]
#
# GRIDLET is the built command (default build/gridlet), COUNT the number of
# workbooks (default 100): small .xls files of five rows of numbers, texts
# and formulas, made by gridlet itself beforehand (not timed). soffice runs
# with a profile of its own in the work folder, made by a first run that is
# not timed, as a user's profile exists before they convert anything.
set -euo pipefail

GRIDLET=$(realpath "${1:-build/gridlet}")
COUNT=${2:-100}
[ -x "$GRIDLET" ] || { echo "workbook_batch.sh: no gridlet command at $GRIDLET" >&2; exit 2; }
SOFFICE=$(command -v soffice || command -v libreoffice || true)
[ -n "$SOFFICE" ] || { echo "workbook_batch.sh: LibreOffice (soffice) is not installed" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/gridlet_wbatch_XXXXXX")
trap 'rm -rf "$work"' EXIT
now() { date +%s.%N; }
per_file_ms() { echo "($2 - $1) * 1000 / $COUNT" | bc -l; }

mkdir -p "$work/txt" "$work/xls"
awk -v count="$COUNT" -v dir="$work/txt" 'BEGIN {
  for (i = 1; i <= count; i++) {
    file = sprintf("%s/w%03d.txt", dir, i)
    for (r = 1; r <= 5; r++) {
      printf "\"Item %d-%d\"\t%d\t%d.%02d\t=B%d*C%d\t=SUM(B1:B%d)\r\n", i, r, i * r, r, i % 100, r, r, r > file
    }
    close(file)
  }
}'
"$GRIDLET" convert "$work"/txt/*.txt --to xls -o "$work/xls" > /dev/null

profile="file://$work/profile"
"$SOFFICE" -env:UserInstallation="$profile" --headless --convert-to csv --outdir "$work/warm" \
  "$work/xls/w001.xls" > /dev/null 2>&1

mkdir -p "$work/gridlet-csv" "$work/gridlet-txt" "$work/soffice-csv"
t0=$(now)
"$GRIDLET" convert "$work"/xls/*.xls --to csv -o "$work/gridlet-csv" > /dev/null
t1=$(now)
"$GRIDLET" convert "$work"/xls/*.xls --to txt -o "$work/gridlet-txt" > /dev/null
t2=$(now)
for f in "$work"/xls/*.xls; do
  "$SOFFICE" -env:UserInstallation="$profile" --headless --convert-to csv --outdir "$work/soffice-csv" "$f" \
    > /dev/null 2>&1
done
t3=$(now)

made=$(find "$work/soffice-csv" -name '*.csv' | wc -l)
[ "$made" -eq "$COUNT" ] || { echo "workbook_batch.sh: soffice wrote $made of $COUNT files" >&2; exit 1; }
same=$(diff -rq "$work/gridlet-csv" "$work/soffice-csv" > /dev/null && echo yes || echo no)

csv=$(per_file_ms "$t0" "$t1")
txt=$(per_file_ms "$t1" "$t2")
soffice=$(per_file_ms "$t2" "$t3")
echo "| way | workbooks | ms/file | total s |"
echo "|---|---|---|---|"
printf '| gridlet convert *.xls --to csv (one run) | %d | %.0f | %.1f |\n' "$COUNT" "$csv" "$(echo "$t1 - $t0" | bc -l)"
printf '| gridlet convert *.xls --to txt (one run) | %d | %.0f | %.1f |\n' "$COUNT" "$txt" "$(echo "$t2 - $t1" | bc -l)"
printf '| soffice --headless --convert-to csv, one per file | %d | %.0f | %.1f |\n' "$COUNT" "$soffice" \
  "$(echo "$t3 - $t2" | bc -l)"
printf '\nsoffice per file / gridlet one run: %.1f (csv), %.1f (txt); the CSV files of both ways are the same: %s\n' \
  "$(echo "$soffice / $csv" | bc -l)" "$(echo "$soffice / $txt" | bc -l)" "$same"
