#!/bin/sh
# Runs a test program as an ordinary user: a throwaway system user made for the
# run and removed after it, allowed to write into the print server's driver
# folder (the tests write their capability files there) but, like any user,
# not to read the server's PPD files.
#   as-user.sh CUPS_DIR PROGRAM [ARG...]
# Exits 77 (skipped) unless run as root with useradd and setpriv at hand, or
# when the print server could not start.
set -u
dir=${1:?print server folder}
shift
[ "$(id -u)" -eq 0 ] || { echo "as-user: not root, nobody to become" >&2; exit 77; }
command -v useradd > /dev/null && command -v setpriv > /dev/null ||
  { echo "as-user: useradd or setpriv is missing" >&2; exit 77; }
[ -f "$dir/unavailable" ] && { cat "$dir/unavailable" >&2; exit 77; }
folder=$dir/root/ppd
user=hutest$$
useradd --system --no-create-home --shell /usr/sbin/nologin --user-group "$user" || exit 1
mode=$(stat -c %a "$folder")
# Folders on the way to the program and the server that others may not pass
# (a checkout under /root) are opened to them for the run.
closed=
for path in "$(dirname "$(readlink -f "$1")")" "$(readlink -f "$dir")"; do
  while [ "$path" != / ]; do
    if [ -d "$path" ] && [ "$(( $(stat -c %#a "$path") & 1 ))" -eq 0 ]; then
      chmod o+x "$path" && closed="$closed $path"
    fi
    path=$(dirname "$path")
  done
done
cleanup() {
  chmod "$mode" "$folder"
  for path in $closed; do chmod o-x "$path"; done
  userdel "$user" 2> /dev/null
}
trap cleanup EXIT
trap 'exit 1' INT TERM
chmod 1777 "$folder"
setpriv --reuid="$user" --regid="$user" --clear-groups -- test -x "$1" ||
  { echo "as-user: $user cannot run $1: the build tree must be readable by other users" >&2; exit 1; }
out=$(mktemp)
setpriv --reuid="$user" --regid="$user" --clear-groups -- "$@" > "$out" 2>&1
status=$?
cat "$out"
# A run that found no printers would pass by skipping every case.
if grep -q 'SKIPPED' "$out"; then
  echo "as-user: cases were skipped as $user" >&2
  status=1
fi
rm -f "$out"
exit $status
