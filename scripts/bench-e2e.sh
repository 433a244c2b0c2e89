#!/usr/bin/env bash
# End-to-end figures under Wine: exe size, launch-to-idle time (median of 10),
# idle memory. Printed only; never fails on a figure. Joins the Wine session of
# scripts/test-all.sh when there is one, otherwise makes its own.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${HELIOTAB_WINE_SESSION:-}" ]; then
    source scripts/wine-env.sh
    heliotab_wine_session_start "$PWD/build/bench-session-$$" >/dev/null
    trap heliotab_wine_session_end EXIT
fi
cd bench/e2e
python3 bench_e2e.py "$@"
