#!/bin/sh
# A private CUPS server for the printer tests: its own configuration folder and
# a socket inside DIR, and six printers with small PPDs of the tests' own.
#   cups-server.sh start DIR [OWNER_PID]   start it (stopped when OWNER_PID ends)
#   cups-server.sh stop DIR                stop it and remove DIR
# Clients reach it with CUPS_SERVER=DIR/cups.sock and CUPS_SERVERROOT=DIR/root.
# Where cupsd cannot run, start writes the reason to DIR/unavailable and
# succeeds, and the tests skip with that reason.
set -eu

command=${1:?start or stop}
dir=${2:?folder}

stop() {
  if [ -f "$dir/cupsd.pid" ]; then
    pid=$(cat "$dir/cupsd.pid")
    kill -TERM "$pid" 2>/dev/null || true
    n=0
    while kill -0 "$pid" 2>/dev/null && [ $n -lt 50 ]; do sleep 0.1; n=$((n + 1)); done
    kill -KILL "$pid" 2>/dev/null || true
  fi
  if [ -f "$dir/watchdog.pid" ]; then
    kill -TERM "$(cat "$dir/watchdog.pid")" 2>/dev/null || true
  fi
  rm -rf "$dir"
}

# A PPD whose make and model is "$1"; the queue's driver name is that text.
ppd() {
  cat <<EOF
*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "HUTEST.PPD"
*Manufacturer: "Hostutil"
*Product: "($1)"
*ModelName: "$1"
*ShortNickName: "$1"
*NickName: "$1"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: False
*DefaultColorSpace: Gray
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*OpenUI *PageSize/Page Size: PickOne
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageSize
*DefaultImageableArea: A4
*ImageableArea A4/A4: "0 0 595 842"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
EOF
}

unavailable() {
  echo "$1" > "$dir/unavailable"
  echo "cups-server: $1" >&2
  exit 0
}

case "$command" in
stop)
  stop
  exit 0
  ;;
start) ;;
*)
  echo "usage: $0 start|stop DIR [OWNER_PID]" >&2
  exit 2
  ;;
esac

[ -d "$dir" ] && stop
mkdir -p "$dir"
cupsd=$(command -v cupsd || echo /usr/sbin/cupsd)
lpadmin=$(command -v lpadmin || echo /usr/sbin/lpadmin)
[ -x "$cupsd" ] || unavailable "cupsd is not installed (Debian package cups-daemon)"
[ -x "$lpadmin" ] || unavailable "lpadmin is not installed (Debian package cups-client)"
[ "$(id -u)" -eq 0 ] || unavailable "cupsd runs its queues as root only; run the tests as root"

mkdir -p "$dir/root" "$dir/cache" "$dir/state" "$dir/spool" "$dir/tmp" "$dir/log" "$dir/ppd"
cat > "$dir/root/cupsd.conf" <<EOF
Listen $dir/cups.sock
LogLevel warn
Browsing No
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order allow,deny
    Allow all
  </Limit>
</Policy>
EOF
cat > "$dir/root/cups-files.conf" <<EOF
ServerRoot $dir/root
CacheDir $dir/cache
StateDir $dir/state
RequestRoot $dir/spool
TempDir $dir/tmp
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
FileDevice No
SystemGroup root
EOF

"$cupsd" -f -c "$dir/root/cupsd.conf" -s "$dir/root/cups-files.conf" \
  < /dev/null > "$dir/log/cupsd.out" 2>&1 &
echo $! > "$dir/cupsd.pid"
n=0
while [ ! -S "$dir/cups.sock" ]; do
  if ! kill -0 "$(cat "$dir/cupsd.pid")" 2>/dev/null || [ $n -ge 100 ]; then
    cat "$dir/log/cupsd.out" "$dir/log/error_log" >&2 2>/dev/null || true
    stop
    echo "cups-server: cupsd did not start" >&2
    exit 1
  fi
  sleep 0.05
  n=$((n + 1))
done

if [ $# -ge 3 ]; then
  # Run by a test program itself: stop with it, however it ends.
  owner=$3
  (
    trap 'exit 0' TERM
    while kill -0 "$owner" 2>/dev/null; do sleep 1; done
    "$0" stop "$dir"
  ) < /dev/null > /dev/null 2>&1 &
  echo $! > "$dir/watchdog.pid"
fi

export CUPS_SERVER="$dir/cups.sock"
add() {
  # name, device URI, make and model ("" for a queue without a PPD)
  if [ -n "$3" ]; then
    ppd "$3" > "$dir/ppd/$1.ppd"
    "$lpadmin" -p "$1" -E -v "$2" -P "$dir/ppd/$1.ppd" 2> "$dir/log/lpadmin.err" ||
      { cat "$dir/log/lpadmin.err" >&2; stop; exit 1; }
  else
    "$lpadmin" -p "$1" -E -v "$2" 2> "$dir/log/lpadmin.err" ||
      { cat "$dir/log/lpadmin.err" >&2; stop; exit 1; }
  fi
}
# Addresses on the loopback network: nothing is ever printed, and no queue
# is ever sent a byte.
add hu-lpt "parallel:/dev/hu-lpt" "Hostutil Test Parallel"
add hu-net "socket://127.0.0.10:9100" "Hostutil Test Network"
add hu-net2 "socket://127.0.0.11:9100" "Hostutil Test Network Two"
add hu-raw "socket://127.0.0.12:9100" ""
add hu-usb "usb://Hostutil/hu-usb?serial=USB001" "Hostutil Test USB"
add hu-usb2 "usb://Hostutil/hu-usb2?serial=USB002" "Hostutil Test USB Two"
echo "cups-server: running at $dir/cups.sock"
