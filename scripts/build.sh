#!/usr/bin/env bash
# build.sh [--no-setup | --win-target NAME]: builds both trees, build/native
# (portable core, unit tests, sanitizers) and build/win (Skuvane.exe, the
# stand-in and the Windows-side tests), or only the one target of build/win.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
target=
case "${1:-}" in
  --no-setup) ;;
  --win-target) target=$2; bash "$root/scripts/setup.sh" ;;
  *) bash "$root/scripts/setup.sh" ;;
esac
log=$(mktemp)
trap 'rm -f "$log"' EXIT
build() {  # name, extra cmake args...
  local dir=$root/build/$1; shift
  if ! { cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" &&
         cmake --build "$dir" -j "$jobs" ${target:+--target "$target"}; } >"$log" 2>&1; then
    cat "$log" >&2
    echo "build: $(basename "$dir") ${target:-} failed" >&2
    exit 1
  fi
}
[ -n "$target" ] || build native
build win -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake"
