# Sourced: the private 64-bit Wine prefix every script and test uses.

# Debian's Wine starts without its preloader, so nothing holds the Windows
# address ranges before the kernel places the loader's heap, and that heap's
# start is randomised over the 1 GB above the loader at 0x7d000000. Now and
# then (3 starts in 20,000 here) it lands on the range at 0x7ff00000 that
# Wine needs for the shared user data, and the new process ends before it
# runs: "failed to map the shared user data", hidden by WINEDEBUG=-all; a
# test program then fails at once with no output, and a CreateProcess of it
# with error 1359. Without
# randomisation the heap starts right after the loader, far below that range.
# Every Wine process of a script descends from it and inherits the setting,
# so the script runs itself again under it before it does anything.
if [ -f "$0" ] && (((16#$(</proc/self/personality) & 16#40000) == 0)); then
  if setarch "$(uname -m)" --addr-no-randomize true 2>/dev/null; then
    exec setarch "$(uname -m)" --addr-no-randomize bash "$0" "$@"
  fi
  echo "wine-env: cannot turn address randomisation off here; a Wine start may fail" >&2
fi

export WINEPREFIX=${SKUVANE_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/skuvane/wine64}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export SKUVANE_DISPLAY=${SKUVANE_DISPLAY:-:97}
