#!/usr/bin/env bash
# Builds the zip a user takes: dist/Skuvane-<version>-win64.zip, holding
# Skuvane.exe and README.txt, with its SHA-256 beside it; then checks it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
dir=$root/build/win
log=$(mktemp)
stage=$(mktemp -d)
trap 'rm -rf "$log" "$stage"' EXIT
# The same tree and configuration as scripts/build.sh, only the program.
if ! { cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release \
         -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" &&
       cmake --build "$dir" -j "$(nproc)" --target Skuvane; } >"$log" 2>&1; then
  cat "$log" >&2
  echo "dist: building Skuvane failed" >&2
  exit 1
fi
# The version is the one the exe carries.
version=$(python3 "$root/scripts/check_dist.py" --version "$dir/app/Skuvane.exe")
name=Skuvane-$version-win64.zip
cp "$dir/app/Skuvane.exe" "$stage/"
sed 's/$/\r/' "$root/docs/README.txt" >"$stage/README.txt"  # Windows line ends
mkdir -p "$root/dist"
rm -f "$root/dist/$name" "$root/dist/$name.sha256"
(cd "$stage" && zip -q -X "$root/dist/$name" Skuvane.exe README.txt)
(cd "$root/dist" && sha256sum "$name" >"$name.sha256")
python3 "$root/scripts/check_dist.py" "$root/dist/$name"
echo "dist/$name"
