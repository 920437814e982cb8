#!/usr/bin/env bash
# Builds both trees: build/native (portable core, unit tests, sanitizers) and
# build/win (Skuvane.exe, the stand-in and the Windows-side tests).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
if [ "${1:-}" != "--no-setup" ]; then bash "$root/scripts/setup.sh"; fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT
build() {  # name, extra cmake args...
  local dir=$root/build/$1; shift
  if ! { cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" &&
         cmake --build "$dir" -j "$jobs"; } >"$log" 2>&1; then
    cat "$log" >&2
    echo "build: $(basename "$dir") failed" >&2
    exit 1
  fi
}
build native
build win -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake"
