#!/usr/bin/env bash
# Builds what users and administrators take:
#   dist/Skuvane-<version>-win64.zip  Skuvane.exe and README.txt
#   dist/Skuvane-<version>-x64.msi    the Windows Installer package
#   dist/Skuvane-<version>.sha256     the SHA-256 of both
# then checks them. Two builds of one commit give the same bytes: times come
# from SOURCE_DATE_EPOCH (the commit's time unless set).
# VERSION=1.01 builds another version, in build/win-1.01. SIGN_PFX=file signs
# the exe and then the package (see scripts/sign.sh). SKUVANE_DIST_DIR and
# SKUVANE_DIST_BUILD name other output and build folders.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
version=${VERSION:-1.00}
if [[ ! $version =~ ^[0-9]+\.[0-9][0-9]$ ]]; then
  echo "dist: VERSION must read like 1.00, not '$version'" >&2
  exit 1
fi
[ "$version" = 1.00 ] && dir=$root/build/win || dir=$root/build/win-$version
dir=${SKUVANE_DIST_BUILD:-$dir}
out=${SKUVANE_DIST_DIR:-$root/dist}
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null) || {
    echo "dist: not a git checkout: set SOURCE_DATE_EPOCH to the sources' time" >&2
    exit 1
  }
fi
export SOURCE_DATE_EPOCH
bash "$root/scripts/setup.sh"
log=$(mktemp)
stage=$(mktemp -d)
trap 'rm -rf "$log" "$stage"' EXIT
# The same configuration as scripts/build.sh, only the program.
if ! { cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DSKUVANE_VERSION="$version" \
         -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" &&
       cmake --build "$dir" -j "$(nproc)" --target Skuvane; } >"$log" 2>&1; then
  cat "$log" >&2
  echo "dist: building Skuvane failed" >&2
  exit 1
fi
exe=$dir/app/Skuvane.exe
publisher=$(python3 "$root/scripts/check_dist.py" --company "$exe")
zip=Skuvane-$version-win64.zip
msi=Skuvane-$version-x64.msi
sums=Skuvane-$version.sha256

# Fixed modes and times, whatever the umask and the clock.
install -m 0755 "$exe" "$stage/Skuvane.exe"
sed 's/$/\r/' "$root/docs/README.txt" >"$stage/README.txt"  # Windows line ends
install -m 0644 "$dir/app/skuvane.ico" "$stage/Skuvane.ico"  # for the package only
chmod 0644 "$stage/README.txt"
if [ -n "${SIGN_PFX:-}" ]; then
  sign() { bash "$root/scripts/sign.sh" "$1"; }
else
  echo "dist: no certificate given (SIGN_PFX), the exe and the package are not signed"
  sign() { :; }
fi
sign "$stage/Skuvane.exe"
touch -d "@$SOURCE_DATE_EPOCH" "$stage"/*

mkdir -p "$out"
rm -f "$out/$zip" "$out/$msi" "$out/$sums"
# Entries in a fixed order, no extra attributes; zip stores local times.
(cd "$stage" && TZ=UTC zip -q -X -D "$out/$zip" Skuvane.exe README.txt)
/usr/bin/python3 "$root/scripts/make_msi.py" "$stage" "$version" "$publisher" "$out/$msi.tmp"
sign "$out/$msi.tmp"
mv "$out/$msi.tmp" "$out/$msi"
(cd "$out" && sha256sum "$zip" "$msi" >"$sums")
python3 "$root/scripts/check_dist.py" "$out/$zip" "$out/$msi" "$version"
echo "${out#"$root"/}/$zip"
echo "${out#"$root"/}/$msi"
