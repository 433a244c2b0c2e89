#!/usr/bin/env bash
# Port scan figures of heliotab.exe under Wine: the time of a scan that finds
# the tester on COM3 behind two silent ports, and the longest time the options
# dialog's thread is busy meanwhile (WM_NULL every 10 ms). Printed only; never
# fails on a figure.
exec bash "$(dirname "$0")/../bench/e2e/run.sh" bench_options.py "$@"
