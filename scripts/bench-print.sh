#!/usr/bin/env bash
# Printing figure under Wine: pressing OK in the print dialog -> the report's
# PDF complete on the CUPS PDF printer, median of 5 (HELIOTAB_BENCH_PRINTS).
# Printed only; never fails on a figure. Joins the Wine session of
# scripts/test-all.sh when there is one, otherwise makes its own.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${HELIOTAB_WINE_SESSION:-}" ]; then
    source scripts/wine-env.sh
    heliotab_wine_session_start "$PWD/build/bench-session-$$" >/dev/null
    trap heliotab_wine_session_end EXIT
fi
cd bench/e2e
python3 bench_print.py "$@"
