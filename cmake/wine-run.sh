#!/bin/sh
# Runs a cross-built program under Wine with a prefix inside the build tree.
# The prefix lives beside the program (BUILD/bin -> BUILD/wineprefix).
prog="$1"
dir=$(cd "$(dirname "$prog")/.." && pwd)
: "${WINEPREFIX:=$dir/wineprefix}"
: "${WINEDEBUG:=-all}"
export WINEPREFIX WINEDEBUG
loader=/usr/lib/wine/wine64
[ -x "$loader" ] || loader=$(command -v wine64 || command -v wine)
# The prefix is made whole, once, before any program runs in it: a first start
# cut short leaves a prefix without its system files, in which nothing starts.
system=$WINEPREFIX/drive_c/windows/system32/kernel32.dll
if [ ! -f "$system" ]; then
  (
    flock 9
    if [ ! -f "$system" ]; then
      rm -rf "$WINEPREFIX"
      "$loader" wineboot --init >/dev/null 2>&1
      server=$(dirname "$loader")/wineserver64
      [ -x "$server" ] || server=$(command -v wineserver || echo "$(dirname "$loader")/wineserver")
      "$server" --wait
    fi
  ) 9>"$WINEPREFIX.lock"
fi
exec "$loader" "$@"
