#!/usr/bin/env bash
# Port scan figures of heliotab.exe under Wine: the time of a scan that finds
# the tester on COM3 behind two silent ports, and the longest time the options
# dialog's thread is busy meanwhile (WM_NULL every 10 ms). Printed only; never
# fails on a figure. Joins the Wine session of scripts/test-all.sh when there
# is one, otherwise makes its own.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${HELIOTAB_WINE_SESSION:-}" ]; then
    source scripts/wine-env.sh
    heliotab_wine_session_start "$PWD/build/bench-session-$$" >/dev/null
    trap heliotab_wine_session_end EXIT
fi
cd bench/e2e
python3 bench_options.py "$@"
