#!/usr/bin/env bash
# Printing figure under Wine: pressing OK in the print dialog -> the report's
# PDF complete on the CUPS PDF printer, median of 5 (HELIOTAB_BENCH_PRINTS).
# Printed only; never fails on a figure. Joins the Wine session of
# scripts/test-all.sh when there is one, otherwise makes its own.
set -euo pipefail
cd "$(dirname "$0")/../bench/e2e"
exec python3 bench_print.py "$@"
