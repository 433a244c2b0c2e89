#!/usr/bin/env bash
# Link and hand-over latency of heliotab.exe under Wine, from farsim's byte log:
# ETX->ACK over 250 frames (farsim --stats) and results ETX -> complete .FAR over
# 100 demonstration tests; median and p99. Printed only; never fails on a figure.
# HELIOTAB_BENCH_FRAMES / HELIOTAB_BENCH_TESTS change the counts. Joins the Wine
# session of scripts/test-all.sh when there is one, otherwise makes its own.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${HELIOTAB_WINE_SESSION:-}" ]; then
    source scripts/wine-env.sh
    heliotab_wine_session_start "$PWD/build/bench-session-$$" >/dev/null
    trap heliotab_wine_session_end EXIT
fi
cd bench/e2e
python3 bench_latency.py "$@"
