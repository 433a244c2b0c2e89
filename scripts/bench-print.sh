#!/usr/bin/env bash
# Printing figure under Wine: pressing OK in the print dialog -> the report's
# PDF complete on the CUPS PDF printer, median of 5 (HELIOTAB_BENCH_PRINTS).
# Printed only; never fails on a figure.
exec bash "$(dirname "$0")/../bench/e2e/run.sh" bench_print.py "$@"
