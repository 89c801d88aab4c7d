#!/bin/sh
# The host as an operator meets it: installed under a prefix that its user cannot
# write, run by an ordinary user (a throwaway one when we are root). The tour
# passes and writes nothing into the install; "objects" shows a name held by a
# process with count 0 and one holder, then, the holder killed, count 0 and no
# holder under --stale; the next program of the family to start clears it away.
# usage: installed_host.sh CMAKE BUILD_DIR
set -eu
work=$(mktemp -d "${TMPDIR:-/tmp}/hostutil-installed-XXXXXX")
user=
holder=
cleanup() {
  touch "$work/stop"
  [ -z "$holder" ] || kill -9 "$holder" 2>/dev/null || true
  [ -z "$user" ] || { sleep 0.2; userdel "$user" 2>/dev/null; } || true
  chmod -R u+w "$work"
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*"; exit 1; }

"$1" --install "$2" --prefix "$work/prefix" >/dev/null
chmod -R a-w "$work/prefix"
chmod 755 "$work"
host=$work/prefix/bin/hostutil
if [ "$(id -u)" = 0 ]; then
  user=hostutil-t$$
  useradd -r -M -d / -s /usr/sbin/nologin "$user"
  as="setpriv --reuid=$user --regid=$user --clear-groups env HOME=/ TMPDIR=/tmp"
elif touch "$work/prefix/bin/.written" 2>/dev/null; then
  echo "skipped: the install prefix cannot be made unwritable here"
  exit 77
else
  as=
fi

before=$(ls -lR "$work/prefix")
$as "$host" tour >"$work/tour.txt" 2>&1 || { cat "$work/tour.txt"; fail "the installed tour"; }
[ "$(ls -lR "$work/prefix")" = "$before" ] || fail "the tour wrote into the install"

# Columns: COUNT MAXIMUM HANDLES KEPT PROCESSES NAME.
name=hostutil-objects-$$
shown() { $as "$host" objects "$@" | awk -v n="$name" '$6 == n { print $1, $3, $5 }'; }
$as "$host" lock "$name" -- sh -c "while [ ! -e $work/stop ]; do sleep 0.05; done" >/dev/null 2>&1 &
holder=$!
for _ in $(seq 200); do [ -z "$(shown)" ] || break; sleep 0.05; done
[ "$(shown)" = "0 1 1" ] || fail "held: count, handles, processes are '$(shown)', not '0 1 1'"
kill -9 "$holder"
wait "$holder" || true
holder=
[ "$(shown --stale)" = "0 0 0" ] || fail "killed: '$(shown --stale)' under --stale, not '0 0 0'"
$as "$host" objects --stale --json >"$work/stale.json"
grep -q "\"name\": \"$name\", \"count\": 0, .*\"handles\": 0, .*\"stale\": true" "$work/stale.json" ||
  fail "not in the JSON: $(cat "$work/stale.json")"
if command -v python3 >/dev/null; then
  python3 -c 'import json,sys; json.load(sys.stdin)' <"$work/stale.json" || fail "invalid JSON"
fi
$as "$host" lock "$name-next" --timeout 0 -- true
[ -z "$($as "$host" objects | grep -F "$name")" ] || fail "left behind: $($as "$host" objects)"
