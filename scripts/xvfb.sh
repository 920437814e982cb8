#!/usr/bin/env bash
# xvfb.sh start|stop — a private X server for Wine on $SKUVANE_DISPLAY.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"
num=${SKUVANE_DISPLAY#:}
pidfile=${TMPDIR:-/tmp}/skuvane-xvfb-$num.pid
case "${1:-}" in
  start)
    if [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null; then exit 0; fi
    rm -f "/tmp/.X$num-lock" "/tmp/.X11-unix/X$num"
    Xvfb "$SKUVANE_DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    echo $! >"$pidfile"
    # Ready when it answers: its socket file appears before it listens.
    for _ in $(seq 100); do xdpyinfo -display "$SKUVANE_DISPLAY" >/dev/null 2>&1 && exit 0; sleep 0.1; done
    echo "xvfb: display $SKUVANE_DISPLAY did not come up" >&2; exit 1 ;;
  stop)
    # Wine must go first: a wineserver outliving its display is useless later.
    WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true
    WINEPREFIX=$WINEPREFIX timeout 10 wineserver -w 2>/dev/null || true
    # Wait for the X server to be gone, or the next start could find its files.
    if [ -f "$pidfile" ]; then
      pid=$(cat "$pidfile")
      kill "$pid" 2>/dev/null || true
      for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
      rm -f "$pidfile"
    fi ;;
  *) echo "usage: xvfb.sh start|stop" >&2; exit 2 ;;
esac
