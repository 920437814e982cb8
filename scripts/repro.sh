#!/usr/bin/env bash
# Builds the packages twice from this tree's sources, in two scratch folders
# of different paths, the second in another time zone and under another
# umask, and compares the SHA-256 of Skuvane.exe, the zip and the MSI.
# Ends with "repro: identical", or names the files that differ.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct)}
unset SIGN_PFX  # signatures carry the signing time
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
build() {  # folder: a copy of the sources (committed or not, less the ignored)
  mkdir -p "$1/src"
  git -C "$root" ls-files -z -co --exclude-standard | tar -C "$root" -cf - --null -T - |
    tar -C "$1/src" -xf -
  SKUVANE_DIST_DIR=$1/dist bash "$1/src/scripts/dist.sh" >"$1.log" 2>&1 || {
    cat "$1.log" >&2
    echo "repro: the build in $1 failed" >&2
    exit 1
  }
  cp "$1/src/build/win/app/Skuvane.exe" "$1/dist/"
}
build "$scratch/one"
(umask 077 && TZ=Pacific/Kiritimati build "$scratch/second-build")
differ=()
for f in "$scratch"/one/dist/*; do
  name=$(basename "$f")
  [[ $name == *.sha256 ]] && continue
  a=$(sha256sum <"$f")
  b=$(sha256sum <"$scratch/second-build/dist/$name")
  echo "repro: ${a%% *} $name"
  [ "$a" = "$b" ] || differ+=("$name")
done
if ((${#differ[@]})); then
  echo "repro: these differ: ${differ[*]}"
  exit 1
fi
echo "repro: identical"
