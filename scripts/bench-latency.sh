#!/usr/bin/env bash
# Link and hand-over latency of heliotab.exe under Wine, from farsim's byte log:
# ETX->ACK over 250 frames (farsim --stats) and results ETX -> complete .FAR over
# 100 demonstration tests; median and p99. Printed only; never fails on a figure.
# HELIOTAB_BENCH_FRAMES / HELIOTAB_BENCH_TESTS change the counts.
exec bash "$(dirname "$0")/../bench/e2e/run.sh" bench_latency.py "$@"
