#!/usr/bin/env bash
# Builds and runs Skuvane under Wine with the stand-in Vantora: registers the
# stand-in, starts it with the sample databases and one open quote, then
# starts Skuvane. With DISPLAY set both windows open there; without one they
# run on a private Xvfb inside a Wine desktop (so frames are drawn), the
# script saves build/screenshot.png, prints its path and stops everything.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-env.sh"
# SKUVANE_RUN_BUILD names another Windows build tree and skips the build.
if [ -n "${SKUVANE_RUN_BUILD:-}" ]; then
  build=$SKUVANE_RUN_BUILD
else
  bash "$root/scripts/build.sh"
  build=$root/build/win
fi
exe=$build/app/Skuvane.exe
standin=$build/standin/VantoraStandIn.exe
demo=$build/standin/standin_demo.exe

# Waits for a top-level window with this exact title; false after 30 s.
wait_window() {
  for _ in $(seq 60); do
    if xwininfo -root -tree 2>/dev/null | grep -qF "\"$1\""; then return 0; fi
    sleep 0.5
  done
  echo "run: no window \"$1\"" >&2
  return 1
}

# The stand-in's window shows before it enters the Running Object Table;
# Skuvane must find it running there, not start a second one.
settle() { sleep 1; }

if [ -n "${DISPLAY:-}" ]; then
  wine "$standin" /RegServer
  wine "$standin" /app &
  standin_pid=$!
  wait_window "Vantora (stand-in)" && settle
  wine "$exe" || echo "run: Skuvane ended with exit code $?" >&2
  echo "run: close the stand-in's window to end" >&2
  wait "$standin_pid" || true
  exit 0
fi

"$root/scripts/xvfb.sh" start
trap '"$root/scripts/xvfb.sh" stop' EXIT
export DISPLAY=$SKUVANE_DISPLAY
shot=$root/build/screenshot.png
desktop=Skuvane,1280x1024
wine "$standin" /RegServer
# Both programs join the one Wine desktop by its name.
wine explorer /desktop=$desktop "$standin" /app >/dev/null 2>&1 &
wait_window "Vantora (stand-in)"
settle
wine explorer /desktop=$desktop "$exe" >/dev/null 2>&1 &
wait_window "Skuvane"
# A short demonstration: a search, and two of its products added to the quote.
# It runs in the same desktop, or it would not see Skuvane's window; the
# explorer returns at once, so the demonstration's end is awaited here.
wine explorer /desktop=$desktop "$demo" >/dev/null 2>"$root/build/demo.log" &
sleep 1
for _ in $(seq 120); do
  pgrep -f 'standin_demo\.exe' >/dev/null || break
  sleep 0.5
done
if grep -q . "$root/build/demo.log"; then
  cat "$root/build/demo.log" >&2
  echo "run: the demonstration did not finish" >&2
fi
sleep 2  # let both paint
# Both windows lie in the top 720 pixels.
import -window root -crop 1280x720+0+0 "$shot"
echo "$shot"
