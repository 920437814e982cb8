# Sourced: the private 64-bit Wine prefix every script and test uses.
export WINEPREFIX=${SKUVANE_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/skuvane/wine64}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export SKUVANE_DISPLAY=${SKUVANE_DISPLAY:-:97}
