#!/usr/bin/env bash
# Sets up, builds and runs every test: the unit tests natively, then the
# Windows-side tests under Wine on a private Xvfb. Ends with "N passed, N failed".
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-env.sh"
bash "$root/scripts/build.sh" || exit 1

results=$root/build/test-results
rm -rf "$results"; mkdir -p "$results/native" "$results/win"

GTEST_OUTPUT="xml:$results/native/" ctest --test-dir "$root/build/native" \
  --output-on-failure --output-junit "$results/native.junit.xml" >"$results/native.log" 2>&1
native_rc=$?

"$root/scripts/xvfb.sh" start
cleanup() { "$root/scripts/xvfb.sh" stop; }
trap cleanup EXIT
export DISPLAY=$SKUVANE_DISPLAY
# One wineserver for the whole run: a Windows process that only waits, here a
# command prompt reading from this script, keeps it up. Otherwise the server
# would stop and start again between tests, and a test starting while it
# stops dies at once.
exec {keeper}> >(exec wine cmd.exe >/dev/null 2>&1)
# Wine's gtest needs a Windows path for its XML folder.
winresults="Z:${results//\//\\}\\win\\"
# Only this script may hold the prompt's input open. A test that reaches the
# desktop before the prompt does starts Wine's desktop process, which would
# inherit the input and live as long as the server: the prompt would never
# see its end, nor the server stop.
GTEST_OUTPUT="xml:$winresults" ctest --test-dir "$root/build/win" --timeout 300 \
  --output-on-failure --output-junit "$results/win.junit.xml" >"$results/win.log" 2>&1 {keeper}>&-
win_rc=$?
exec {keeper}>&-  # end of input: the command prompt ends
# No Windows process may outlive the tests. The bound leaves room for the
# stand-in's registry, which may wait 15 s for a client, on a loaded machine.
if ! timeout 60 wineserver -w; then
  echo "test: a Windows process was left running:" >&2
  for p in /proc/[0-9]*; do  # this prefix's, not other runs'
    grep -qzx "WINEPREFIX=$WINEPREFIX" "$p/environ" 2>/dev/null &&
      echo "  ${p#/proc/} $(tr '\0' ' ' <"$p/cmdline")" >&2
  done
  wineserver -k  # so that the next run starts on a clean prefix
  win_rc=1
fi

for log in native win; do
  grep -E '(\*\*\*Failed|Exception|Timeout|\[  FAILED  \])' "$results/$log.log" >&2 || true
done
python3 "$root/scripts/summarize.py" "$results"
sum_rc=$?
[ $native_rc -eq 0 ] && [ $win_rc -eq 0 ] && [ $sum_rc -eq 0 ]
