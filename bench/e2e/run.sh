#!/usr/bin/env bash
# Runs one of the Wine benchmarks here: bench/e2e/run.sh bench_x.py ARGS...
# Joins the Wine session of scripts/test-all.sh when there is one, otherwise
# makes its own for the run.
set -euo pipefail
cd "$(dirname "$0")/../.."
if [ -z "${HELIOTAB_WINE_SESSION:-}" ]; then
    source scripts/wine-env.sh
    heliotab_wine_session_start "$PWD/build/bench-session-$$" >/dev/null
    trap heliotab_wine_session_end EXIT
fi
cd bench/e2e
python3 "$@"
