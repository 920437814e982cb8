#!/usr/bin/env bash
# wine-run.sh PROGRAM [ARGS...] — how ctest runs a Windows test: under Wine,
# its output passed on only once it has ended.
# Every process Wine starts keeps its creator's unix stderr, so a wineserver
# or a desktop process started during a test would hold ctest's output pipe
# open after the test, and ctest would wait for them to exit before starting
# the next test: into a wineserver that is shutting down. Through a file the
# test ends when its program does.
source "$(dirname "$0")/wine-env.sh"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
wine "$@" >"$log" 2>&1
rc=$?
cat "$log"
exit $rc
