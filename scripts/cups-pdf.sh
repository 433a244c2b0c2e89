#!/usr/bin/env bash
# A real printer for the end-to-end tests: cupsd with the CUPS PDF queue "PDF"
# as the default printer, each job a PDF in DIR/pdf. No init system needed.
#   scripts/cups-pdf.sh start DIR   start cupsd (unless one runs) and make the queue
#   scripts/cups-pdf.sh stop DIR    stop the cupsd that start started
#   scripts/cups-pdf.sh add|remove  make or remove the queue (the "no printer" case)
# start prints the PDF folder. Wine sees the queue from its next process on.
set -euo pipefail

QUEUE=PDF
PPD=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
CONF=/etc/cups/cups-pdf.conf

running() { lpstat -r 2>/dev/null | grep -q 'is running'; }

add_queue() {
    # "drivers are deprecated" is a warning only.
    lpadmin -p "$QUEUE" -v cups-pdf:/ -P "$PPD" -E 2>/dev/null
    lpadmin -d "$QUEUE"
}

case ${1:-} in
start)
    dir=$(mkdir -p "$2" && cd "$2" && pwd)
    mkdir -p "$dir/pdf"
    command -v cupsd >/dev/null || PATH=$PATH:/usr/sbin
    [ -f "$PPD" ] || { echo "cups-pdf.sh: $PPD missing (scripts/setup.sh installs it)" >&2; exit 1; }
    sed -i "s|^#\?Out .*|Out $dir/pdf|" "$CONF"
    if ! running; then
        cupsd -f >"$dir/cupsd.log" 2>&1 &
        echo $! >"$dir/cupsd.pid"
        for _ in $(seq 200); do running && break; sleep 0.05; done
        running || { echo "cups-pdf.sh: cupsd did not start" >&2; cat "$dir/cupsd.log" >&2; exit 1; }
    fi
    add_queue
    echo "$dir/pdf"
    ;;
stop)
    pidfile=$2/cupsd.pid
    [ -f "$pidfile" ] || exit 0
    pid=$(cat "$pidfile")
    rm -f "$pidfile"
    kill "$pid" 2>/dev/null || exit 0
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || exit 0; sleep 0.05; done
    kill -9 "$pid" 2>/dev/null || true
    ;;
add) add_queue ;;
remove) lpadmin -x "$QUEUE" 2>/dev/null || true ;;
*) sed -n '2,8p' "$0"; exit 2 ;;
esac
