#!/usr/bin/env bash
# Runs HELIOTAB as a demo station: the program under Wine, the simulated headlight
# tester (farsim, demo mode) on COM3, today's demo reservations in the exchange
# directory.
#
#   scripts/run-demo.sh            on $DISPLAY when set (close the window to end),
#                                  otherwise on a virtual display, playing one test
#   scripts/run-demo.sh --no-play  without a display: start, screenshot, close
#
# Everything lives in build/demo (program folder, logs, screenshots) and
# build/demo-session (Wine prefix, with the exchange directory C:\HELIOTAB\DIR_FAR\).
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
PLAY=1
[ "${1:-}" = "--no-play" ] && PLAY=0
COM=${HELIOTAB_DEMO_COM:-3}
TAG=${HELIOTAB_BUILD_TAG:-}
NATIVE=$ROOT/build/${TAG:+$TAG-}native
WIN=$ROOT/build/${TAG:+$TAG-}win
DEMO=$ROOT/build/demo
FARSIM_BIN=${HELIOTAB_FARSIM:-$NATIVE/farsim}
SESSION=$ROOT/build/demo-session

say() { printf 'demo: %s\n' "$*"; }
# Reservation and result texts are Windows-1252, and the driver prints them
# with \xNN escapes: both are shown decoded.
from_cp1252() { iconv -c -f CP1252 -t UTF-8; }
unescape() { local line; while IFS= read -r line; do printf '%b\n' "$line"; done; }

scripts/setup.sh
scripts/build.sh

EXE=${HELIOTAB_EXE:-$WIN/heliotab.exe}
[ -f "$EXE" ] || { say "heliotab.exe has not been built ($EXE): nothing to run"; exit 1; }
[ -f "$WIN/uidriver.exe" ] || { say "uidriver.exe has not been built ($WIN)"; exit 1; }

# A display of the user's, or a virtual one.
if [ -n "${DISPLAY:-}" ]; then
    export HELIOTAB_USE_DISPLAY=1
    HEADLESS=0
else
    HEADLESS=1
fi
source scripts/wine-env.sh
FARSIM_PID=''
PRINTER=''
cleanup() {
    [ -n "$FARSIM_PID" ] && kill "$FARSIM_PID" 2>/dev/null && wait "$FARSIM_PID" 2>/dev/null
    [ -n "$PRINTER" ] && bash scripts/cups-pdf.sh stop "$PRINTER" || true
    heliotab_wine_session_end "$SESSION" || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM
heliotab_wine_session_start "$SESSION" >/dev/null
drv() { wine "$WIN/uidriver.exe" "$@"; }  # 1005: the reservation list (src/res/resource.h)

# The station folder.
rm -rf "$DEMO"
mkdir -p "$DEMO"
cp "$EXE" "$DEMO/heliotab.exe"
if [ -f data/Language.ini ]; then
    cp data/Language.ini "$DEMO/"
else
    say "data/Language.ini is missing: captions will read \"No resource!\""
fi
for m in Accettazione.msk Veicoli_Leggeri.msk Veicoli_Pesanti.msk; do
    if [ -f "data/$m" ]; then cp "data/$m" "$DEMO/"; else say "data/$m is missing"; fi
done
EXCHANGE=$WINEPREFIX/drive_c/HELIOTAB/DIR_FAR
mkdir -p "$EXCHANGE"
# Settings: Italian, the simulated tester on COM$COM, the exchange directory in the prefix.
printf '[Impostazioni]\r\nLingua=Italiano\r\nPrimo Piano=0\r\nChiudi dopo test=0\r\nChiudi con Esc=1\r\nStampa report=0\r\nPorta Seriale=%s\r\n[Percorsi]\r\nFiles .ACC=C:\\HELIOTAB\\DIR_FAR\\\r\n' \
    "$COM" >"$DEMO/HELIOTAB.ini"

# A real printer: with "Stampa report" on (options dialog), each report is a PDF here.
if [ -f /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd ] && PDF_DIR=$(bash scripts/cups-pdf.sh start "$DEMO/printer"); then
    PRINTER=$DEMO/printer
    say "printer PDF (CUPS): reports go to $PDF_DIR"
else
    say "no CUPS PDF printer (scripts/setup.sh installs it): reports cannot be printed"
fi

if [ -x "$NATIVE/demogen" ]; then
    "$NATIVE/demogen" "$EXCHANGE" && say "demo reservations: $(cd "$EXCHANGE" && ls | tr '\n' ' ')"
else
    say "demogen not built yet: the exchange directory stays empty"
fi

# The options dialog's scan tries COM1 to COM16: only the simulator's port
# exists, so the workstation's own serial lines are never opened.
for n in $(seq 1 16); do rm -f "$WINEPREFIX/dosdevices/com$n"; done

if [ -x "$FARSIM_BIN" ]; then
    coproc FARSIM { exec "$FARSIM_BIN" --pty-link "$SESSION/farsim-com$COM" --demo --log "$DEMO/farsim.log" </dev/null 2>"$DEMO/farsim.err"; }
    read -r -t 30 PTY_NAME <&"${FARSIM[0]}" || { say "farsim did not start (see $DEMO/farsim.err)"; exit 1; }
    heliotab_wine_link_com "$COM" "$(realpath "$SESSION/farsim-com$COM")"
    say "tester simulator on $PTY_NAME = COM$COM (log: $DEMO/farsim.log)"
else
    say "farsim not built yet: no tester on COM$COM"
fi

say "starting heliotab.exe on display $DISPLAY"
(cd "$DEMO" && exec wine "$(heliotab_wine_dos_path "$DEMO/heliotab.exe")" </dev/null >/dev/null 2>"$DEMO/heliotab.err") &
APP_PID=$!
if ! drv wait-window ThunderRT6Main HELIOTAB 60000 >/dev/null; then
    say "the program did not open its window within 60 s"; exit 1
fi
drv main-window >"$DEMO/windows.txt" || true
sleep 2   # let the first connection attempt to the tester show in the status bar
import -window root "$DEMO/screenshot.png" && say "screenshot: $DEMO/screenshot.png"

if [ $HEADLESS = 0 ]; then
    say "running; close the HELIOTAB window (or press Esc in it) to end the demo"
    wait "$APP_PID" || true
    exit 0
fi

# Without a display: one whole test by itself, then close.
play_one_test() {
    [ -x "$FARSIM_BIN" ] || { say "no tester simulator: nothing to play"; return 0; }
    say "waiting for the tester to come online"
    local i
    for i in $(seq 1 60); do
        drv combo-items 1005 2>/dev/null | grep -q 'enabled=1' && break
        sleep 1
    done
    drv combo-items 1005 2>/dev/null | grep -q 'enabled=1' || { say "the reservation list never became available"; return 1; }
    drv combo-dropdown 1005 >/dev/null
    sleep 1
    local items first
    items=$(drv combo-items 1005 || true)
    # The list may open with a prompt entry ("<...>"); take the first reservation.
    first=$(printf '%s\n' "$items" | awk -F'\t' '/^item/ { split($3, v, "="); if (substr(v[2], 1, 1) != "<") { split($2, i, "="); print i[2]; exit } }')
    [ -n "$first" ] || { say "no reservation to choose"; return 1; }
    say "choosing: $(printf '%s\n' "$items" | awk -F'\t' -v n="$first" '$1 == "item" && $2 == "index=" n { sub("value=", "", $3); print $3 }' | unescape | from_cp1252)"
    drv combo-select "$first" 1005 >/dev/null || { say "the reservation could not be chosen"; return 1; }
    say "first reservation chosen; the simulated tester measures by itself"
    for i in $(seq 1 90); do
        compgen -G "$EXCHANGE/*.FAR" >/dev/null && break
        # Answer an information message of the program, if one is shown.
        if drv message-box wait 200 2>/dev/null | grep '^msgbox'; then
            drv message-box answer ok >/dev/null || true
        fi
        sleep 1
    done
    local far
    far=$(compgen -G "$EXCHANGE/*.FAR" | head -1 || true)
    if [ -n "$far" ]; then
        say "result file $far:"
        tr -d '\r' <"$far" | from_cp1252 | sed 's/^/    /'
    else
        say "no result file within 90 s"
    fi
    for n in 0 1; do drv status-panel $n; done | unescape | from_cp1252 || true
    import -window root "$DEMO/screenshot-after-test.png" && say "screenshot: $DEMO/screenshot-after-test.png"
    [ -n "$far" ]
}
rc=0
[ $PLAY = 1 ] && { play_one_test || rc=1; }
drv close >/dev/null || true
for i in $(seq 1 30); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 1; done
drv message-box answer yes >/dev/null 2>&1 || true
wait "$APP_PID" 2>/dev/null || true
say "done (program folder: $DEMO)"
exit $rc
