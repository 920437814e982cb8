#!/usr/bin/env bash
# chaos.sh [OPS] [SEED]: random user operations against a misbehaving
# stand-in, checked against a model, under Wine on the private Xvfb. A seed
# not given is drawn afresh and printed first; the same seed and count replay
# a run operation for operation. CHAOS_TRACE=1 prints each operation as done.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
ops=${1:-10000}
seed=${2:-$(od -An -N4 -tu4 /dev/urandom | tr -d ' ')}
source "$root/scripts/wine-env.sh"
echo "chaos: seed $seed, $ops operations"
bash "$root/scripts/build.sh" --win-target chaos_tests

"$root/scripts/xvfb.sh" start
trap '"$root/scripts/xvfb.sh" stop' EXIT
export DISPLAY=$SKUVANE_DISPLAY
CHAOS_OPS=$ops CHAOS_SEED=$seed wine "$root/build/win/tests/wine/chaos/chaos_tests.exe" \
  --gtest_brief=1
