#!/usr/bin/env bash
# fuzz.sh [COUNT]: the program's own text of numbers, money and dates against
# the platform's, COUNT inputs (10 million by default) under each of an en-US
# and a de-DE locale. Ends with "fuzz: N inputs, D differences".
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-env.sh"
count=${1:-10000000}
bash "$root/scripts/build.sh" --win-target number_text_fuzz
# Conversions need no display; the wineserver must still not outlive the run.
trap 'timeout 10 wineserver -w 2>/dev/null || true' EXIT

total=0 differences=0 rc=0
for locale in en_US de_DE; do
  out=$(LC_ALL=$locale.UTF-8 wine "$root/build/win/tests/wine/fuzz/number_text_fuzz.exe" \
        "$count" | tr -d '\r') || rc=1
  printf '%s\n' "$out" | sed '$d'  # its own last line is summed below
  read -r n d < <(printf '%s\n' "$out" | sed -n 's/^fuzz: \([0-9]*\) inputs, \([0-9]*\) differences$/\1 \2/p')
  total=$((total + ${n:-0})) differences=$((differences + ${d:-1}))
done
echo "fuzz: $total inputs, $differences differences"
exit $rc
