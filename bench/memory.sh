#!/usr/bin/env bash
# Peak memory and time of whole `gridlet convert FILE --to null` runs over
# generated tab text of growing size.
#
#   bench/memory.sh [GRIDLET] [MAKE_TAB_TEXT] [SIZES-IN-MB...]
set -euo pipefail
GRIDLET=$(realpath "${1:-build/gridlet}")
MAKE=$(realpath "${2:-build/bench/make_tab_text}")
shift $(($# < 2 ? $# : 2))
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(5 10 25 50 100)
work=$(mktemp -d "${TMPDIR:-/tmp}/gridlet_memory_XXXXXX")
trap 'rm -rf "$work"' EXIT

echo "| input MB | peak RSS MB | RSS / input | seconds | MB/s |"
echo "|---|---|---|---|---|"
for mb in "${sizes[@]}"; do
  "$MAKE" "$mb" "$work/sheet.txt"
  bytes=$(stat -c %s "$work/sheet.txt")
  /usr/bin/time -f "%M %e" -o "$work/time" "$GRIDLET" convert "$work/sheet.txt" --to null > /dev/null
  read -r kb seconds < "$work/time"
  awk -v b="$bytes" -v kb="$kb" -v s="$seconds" 'BEGIN {
    printf "| %.1f | %.0f | %.1f | %.2f | %.0f |\n", b / 1048576, kb / 1024, kb * 1024 / b, s, (s > 0 ? b / 1048576 / s : 0)
  }'
  rm -f "$work/sheet.txt"
done
