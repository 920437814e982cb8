#!/usr/bin/env bash
# Signing with a throwaway certificate: dist.sh signs the exe and then the MSI
# (password from a file), sign.sh signs with the password from SIGN_PASS, and
# osslsigncode verify accepts every signature; one changed byte in the
# signed exe makes verification fail.
set -uo pipefail
root=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failed=0
check() {  # what, command...
  local what=$1; shift
  if "$@" >"$tmp/out" 2>&1; then echo "ok: $what"; else
    cat "$tmp/out"; echo "FAILED: $what"; failed=$((failed + 1)); fi
}
verify() { osslsigncode verify -CAfile "$tmp/cert.pem" -in "$1"; }

umask 077
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Skuvane test signer" \
  -addext extendedKeyUsage=codeSigning -keyout "$tmp/key.pem" -out "$tmp/cert.pem" 2>/dev/null
printf 'not on a command line\n' >"$tmp/pass"
openssl pkcs12 -export -inkey "$tmp/key.pem" -in "$tmp/cert.pem" -out "$tmp/signer.pfx" \
  -passout "file:$tmp/pass"

check "make dist signs with SIGN_PFX" env -u SIGN_PASS SIGN_PFX="$tmp/signer.pfx" \
  SIGN_PASS_FILE="$tmp/pass" SKUVANE_DIST_DIR="$tmp/dist" bash "$root/scripts/dist.sh"
(cd "$tmp/dist" && unzip -q Skuvane-1.00-win64.zip Skuvane.exe)
check "the exe's signature verifies" verify "$tmp/dist/Skuvane.exe"
check "the MSI's signature verifies" verify "$tmp/dist/Skuvane-1.00-x64.msi"
check "the SHA-256 file lists the signed packages" \
  bash -c "cd '$tmp/dist' && sha256sum -c Skuvane-1.00.sha256"

cp "$tmp/dist/Skuvane.exe" "$tmp/changed.exe"
python3 -c 'import sys; f = open(sys.argv[1], "r+b"); f.seek(8192); b = f.read(1)
f.seek(8192); f.write(bytes([b[0] ^ 1]))' "$tmp/changed.exe"
check "one changed byte fails verification" bash -c "! osslsigncode verify \
  -CAfile '$tmp/cert.pem' -in '$tmp/changed.exe'"

cp "$root/build/win/app/Skuvane.exe" "$tmp/again.exe"
check "sign.sh takes the password from SIGN_PASS" env -u SIGN_PASS_FILE \
  SIGN_PFX="$tmp/signer.pfx" SIGN_PASS="not on a command line" bash "$root/scripts/sign.sh" "$tmp/again.exe"
check "that signature verifies" verify "$tmp/again.exe"
check "a wrong password signs nothing" bash -c "! SIGN_PFX='$tmp/signer.pfx' SIGN_PASS=wrong \
  bash '$root/scripts/sign.sh' '$tmp/again.exe'"

echo "package_signing: $failed failed"
[ "$failed" -eq 0 ]
