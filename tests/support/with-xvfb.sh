#!/bin/sh
# Runs a command under a virtual X server of its own. Xvfb picks a free display
# number itself (-displayfd), so runs side by side never race for one or share
# one, and the server ends with the command. -noreset: a bare X server resets
# when its last client leaves and refuses connections meanwhile; a desktop
# always has clients, so one query right after another must find it there.
#   with-xvfb.sh WIDTHxHEIGHTxDEPTH COMMAND [ARGS...]
set -eu
screen=$1
shift
dir=$(mktemp -d)
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
mkfifo "$dir/number"
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset 3>"$dir/number" >"$dir/log" 2>&1 &
pid=$!
number=""
read -r number <"$dir/number" || true
if [ -z "$number" ]; then
  echo "with-xvfb: Xvfb did not start:" >&2
  cat "$dir/log" >&2
  exit 1
fi
status=0
DISPLAY=":$number" "$@" || status=$?
exit "$status"
