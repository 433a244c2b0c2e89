#!/usr/bin/env bash
# End-to-end figures under Wine: exe size, launch-to-idle time (median of 10),
# idle memory. Printed only; never fails on a figure.
exec bash "$(dirname "$0")/../bench/e2e/run.sh" bench_e2e.py "$@"
