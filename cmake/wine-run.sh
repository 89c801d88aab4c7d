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
exec "$loader" "$@"
