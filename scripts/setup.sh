#!/usr/bin/env bash
# Installs what the build and the tests need and prepares the private Wine
# prefix. Idempotent and quiet: safe to run before every build.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

packages=(cmake g++ make googletest g++-mingw-w64-x86-64-posix wine wine64 fonts-wine
          xvfb xauth x11-utils nlohmann-json3-dev imagemagick locales
          clang clang-tidy clang-format zip wixl msitools python3-olefile osslsigncode openssl)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  log=$(mktemp)
  # apt's chatter goes to a log that is shown only when it fails.
  if ! { apt-get update -qq && apt-get install -y -qq --no-install-recommends "${missing[@]}"; } \
      >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    echo "setup: installing packages failed" >&2
    exit 1
  fi
  rm -f "$log"
fi

# Wine follows LC_ALL only to a glibc locale that exists: the locale tests
# and the fuzz program run under these two.
for l in en_US de_DE; do
  if ! locale -a 2>/dev/null | grep -qx "$l.utf8"; then
    sed -i "s/^# *\($l.UTF-8 UTF-8\)/\1/" /etc/locale.gen
    grep -qx "$l.UTF-8 UTF-8" /etc/locale.gen || echo "$l.UTF-8 UTF-8" >>/etc/locale.gen
    locale-gen >/dev/null 2>&1 || { echo "setup: generating $l.UTF-8 failed" >&2; exit 1; }
  fi
done

# shellcheck source=wine-env.sh
source "$here/wine-env.sh"
if [ ! -f "$WINEPREFIX/.skuvane-ready" ]; then
  echo "setup: creating Wine prefix in $WINEPREFIX" >&2
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  "$here/xvfb.sh" start
  export DISPLAY=$SKUVANE_DISPLAY
  wineboot --init >/dev/null 2>&1
  wineserver -w
  # Debian's Wine does not load its own fonts; without them Tahoma falls back.
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  # Unmanaged windows: no one-second wait for a window manager on every hide.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.skuvane-ready"
fi
