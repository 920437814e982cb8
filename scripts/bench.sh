#!/usr/bin/env bash
# Sets up, builds the benchmark in the Windows tree and runs it under Wine,
# on the private Xvfb when there is no DISPLAY. Prints only its figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-env.sh"
bash "$root/scripts/build.sh" --win-target skuvane_bench

own_display=0
cleanup() {
  if [ "$own_display" = 1 ]; then
    "$root/scripts/xvfb.sh" stop  # Wine first, then the X server
  else
    timeout 10 wineserver -w 2>/dev/null || true
  fi
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  "$root/scripts/xvfb.sh" start
  own_display=1
  export DISPLAY=$SKUVANE_DISPLAY
fi
wine "$root/build/win/bench/skuvane_bench.exe"
