#!/usr/bin/env bash
# Sets up, builds the benchmark in the Windows tree and runs it under Wine,
# on the private Xvfb when there is no DISPLAY. Prints only its figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
source "$root/scripts/wine-env.sh"

dir=$root/build/win
log=$(mktemp)
own_display=0
cleanup() {
  rm -f "$log"
  if [ "$own_display" = 1 ]; then
    "$root/scripts/xvfb.sh" stop  # Wine first, then the X server
  else
    timeout 10 wineserver -w 2>/dev/null || true
  fi
}
trap cleanup EXIT

# The same tree and configuration as scripts/build.sh, only the one target.
if ! { cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release \
         -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" &&
       cmake --build "$dir" -j "$(nproc)" --target skuvane_bench; } >"$log" 2>&1; then
  cat "$log" >&2
  echo "bench: building skuvane_bench failed" >&2
  exit 1
fi

if [ -z "${DISPLAY:-}" ]; then
  "$root/scripts/xvfb.sh" start
  own_display=1
  export DISPLAY=$SKUVANE_DISPLAY
fi
wine "$dir/bench/skuvane_bench.exe"
