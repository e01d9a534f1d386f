#!/usr/bin/env bash
# Whole-process speed of tab text against Python's csv reader, on the same
# generated file in the same run: `gridlet convert FILE --to null` and
# `--to txt` beside a Python program that reads the file field by field.
# The three are run in turn, REPEAT times each, and the medians are quoted,
# with the peak resident memory of each gridlet run.
#
#   bench/text_speed.sh [GRIDLET] [MAKE_TAB_TEXT] [SIZES-IN-MB...]
#   REPEAT=7 bench/text_speed.sh build/gridlet build/bench/make_tab_text 5 50 200
set -euo pipefail
GRIDLET=$(realpath "${1:-build/gridlet}")
MAKE=$(realpath "${2:-build/bench/make_tab_text}")
shift $(($# < 2 ? $# : 2))
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(5 10 25 50 100 200)
REPEAT=${REPEAT:-5}
PYTHON=${PYTHON:-python3}
work=$(mktemp -d "${TMPDIR:-/tmp}/gridlet_text_speed_XXXXXX")
trap 'rm -rf "$work"' EXIT

cat > "$work/read_csv.py" <<'EOF'
import csv, sys
fields = 0
with open(sys.argv[1], newline="", encoding="latin-1") as f:
    for row in csv.reader(f, delimiter="\t"):
        for field in row:
            fields += 1
print(fields)
EOF

# Runs a command once; prints "microseconds peak-kB": timed by
# time_run.py, its memory measured by GNU time in a run of its own.
TIME_RUN=$(dirname "$(realpath "$0")")/time_run.py
run() {
  local took
  /usr/bin/time -f "%M" -o "$work/time" "$@" > /dev/null 2> "$work/stderr" &&
    took=$("$PYTHON" "$TIME_RUN" "$work/stderr" "$@") || {
    cat "$work/stderr" >&2
    exit 1
  }
  echo "$took $(cat "$work/time")"
}

# The median of the numbers on standard input.
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "Load before the run: $(cut -d' ' -f1-3 /proc/loadavg); $REPEAT runs of each, medians."
echo
echo "| input MB | Python csv MB/s | txt → null MB/s | ratio | RSS / input | txt → txt MB/s | ratio | RSS / input |"
echo "|---|---|---|---|---|---|---|---|"
for mb in "${sizes[@]}"; do
  "$MAKE" "$mb" "$work/sheet.txt"
  bytes=$(stat -c %s "$work/sheet.txt")
  mkdir -p "$work/out"
  : > "$work/python" ; : > "$work/null" ; : > "$work/txt"
  for ((i = 0; i < REPEAT; i++)); do
    run "$PYTHON" "$work/read_csv.py" "$work/sheet.txt" >> "$work/python"
    run "$GRIDLET" convert "$work/sheet.txt" --to null >> "$work/null"
    run "$GRIDLET" convert "$work/sheet.txt" --to txt --name copy -o "$work/out" --overwrite yes >> "$work/txt"
  done
  py=$(cut -d' ' -f1 "$work/python" | median)
  null=$(cut -d' ' -f1 "$work/null" | median)
  nullkb=$(cut -d' ' -f2 "$work/null" | median)
  txt=$(cut -d' ' -f1 "$work/txt" | median)
  txtkb=$(cut -d' ' -f2 "$work/txt" | median)
  awk -v b="$bytes" -v py="$py" -v n="$null" -v nk="$nullkb" -v t="$txt" -v tk="$txtkb" 'BEGIN {
    mb = b / 1048576
    printf "| %.0f | %.0f | %.0f | %.1f | %.2f | %.0f | %.1f | %.2f |\n",
      mb, mb / (py / 1e6), mb / (n / 1e6), py / n, nk * 1024 / b, mb / (t / 1e6), py / t, tk * 1024 / b
  }'
  rm -rf "$work/sheet.txt" "$work/out"
done
