#!/usr/bin/env bash
# sign.sh FILE: signs an exe or an MSI in place with Authenticode (SHA-256)
# when SIGN_PFX names a PKCS#12 certificate; time-stamped when
# SIGN_TIMESTAMP_URL is set. The password comes from SIGN_PASS or from the
# file SIGN_PASS_FILE names, and reaches osslsigncode on its input, never on
# a command line.
set -euo pipefail
file=$1
args=(sign -pkcs12 "$SIGN_PFX" -h sha256 -n Skuvane -readpass -)
[ -z "${SIGN_TIMESTAMP_URL:-}" ] || args+=(-ts "$SIGN_TIMESTAMP_URL")
signed=$file.signed
rm -f "$signed"
log=$(mktemp)
trap 'rm -f "$log" "$signed"' EXIT
if [ -n "${SIGN_PASS_FILE:-}" ]; then
  pass() { cat "$SIGN_PASS_FILE"; }
else
  pass() { printf '%s' "${SIGN_PASS:-}"; }  # a builtin: no process shows it
fi
if ! pass | osslsigncode "${args[@]}" -in "$file" -out "$signed" >"$log" 2>&1; then
  cat "$log" >&2
  echo "sign: signing $(basename "$file") failed" >&2
  exit 1
fi
mv "$signed" "$file"
echo "sign: $(basename "$file") signed"
