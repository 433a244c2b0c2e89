#!/usr/bin/env bash
# Runs all tests: setup, the builds, native and sanitizer unit tests, the Windows
# unit and adapter tests under Wine, the end-to-end tests, a short run of every
# fuzz target; with --bench also the benchmarks and the end-to-end figures.
#
#   scripts/test-all.sh [--bench] [--fuzz-seconds N] [--no-setup]
#
# Every stage prints a header and ends PASS, FAIL or SKIP (with the reason). The
# last line counts the stages: "N passed, N failed" (skipped stages not counted).
# The exit status is non-zero when any stage failed.
set -uo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"

BENCH=0
SETUP=1
FUZZ_SECONDS=${HELIOTAB_FUZZ_SECONDS:-20}
while [ $# -gt 0 ]; do
    case $1 in
        --bench) BENCH=1 ;;
        --no-setup) SETUP=0 ;;
        --fuzz-seconds) FUZZ_SECONDS=${2:?}; shift ;;
        -h|--help) sed -n '2,11p' "$0"; exit 0 ;;
        *) echo "test-all: unknown option $1" >&2; exit 2 ;;
    esac
    shift
done

TAG=${HELIOTAB_BUILD_TAG:-}
bdir() { echo "$ROOT/build/${TAG:+$TAG-}$1"; }
NATIVE=$(bdir native)
WIN=$(bdir win)
ASAN=$(bdir asan)
FUZZ=$(bdir fuzz)
BENCHDIR=$(bdir bench)
export HELIOTAB_NATIVE_DIR=$NATIVE HELIOTAB_WIN_DIR=$WIN

PASSED=0
FAILED=0
SUMMARY=()
STAGE_NO=0
STAGE_PID=''
T0=$SECONDS
# Interrupted: end the running stage (timeout passes the signal on), then exit.
trap '[ -n "$STAGE_PID" ] && kill "$STAGE_PID" 2>/dev/null; exit 130' INT TERM

# stage NAME TIMEOUT_S COMMAND...  — runs one stage and records its outcome.
# A command that prints "SKIP: reason" as its last line and exits 97 is skipped.
stage() {
    local name=$1 limit=$2; shift 2
    STAGE_NO=$((STAGE_NO + 1))
    local start=$SECONDS rc log
    log=$(mktemp)
    printf '\n==== [%d] %s ====\n' "$STAGE_NO" "$name"
    # A fresh bash runs the stage (the functions below are exported), bounded in
    # time. Its output goes to a file that is shown as it grows: Wine's helper
    # processes inherit the output and outlive the stage, so a pipe would never end.
    timeout -k 30 "$limit" bash -c '"$@"' stage "$@" >"$log" 2>&1 </dev/null &
    local pid=$!
    STAGE_PID=$pid
    tail -s 0.2 -n +1 -f --pid="$pid" "$log"
    wait "$pid"
    rc=$?
    STAGE_PID=
    local took=$((SECONDS - start))
    if [ "$rc" -eq 97 ]; then
        local why
        why=$(grep -m1 '^SKIP:' "$log" | cut -c7-)
        printf -- '---- %s: SKIP (%s) %ds\n' "$name" "$why" "$took"
        SUMMARY+=("SKIP  $name ($why)")
    elif [ "$rc" -eq 0 ]; then
        printf -- '---- %s: PASS %ds\n' "$name" "$took"
        PASSED=$((PASSED + 1))
        SUMMARY+=("PASS  $name (${took}s)")
    else
        [ "$rc" -eq 124 ] && echo "test-all: $name ran longer than ${limit}s and was stopped"
        printf -- '---- %s: FAIL (exit %d) %ds\n' "$name" "$rc" "$took"
        FAILED=$((FAILED + 1))
        SUMMARY+=("FAIL  $name (exit $rc, ${took}s)")
    fi
    rm -f "$log"
}

skip() { echo "SKIP: $*"; exit 97; }

# The program's sources exist: its exe must then exist too.
has_sources() { compgen -G "$1" >/dev/null; }

run_native_unit() {
    [ -x "$1/unit_tests" ] || { echo "missing $1/unit_tests"; return 1; }
    "$1/unit_tests" --gtest_brief=1
}

run_wine_exe() {
    local exe=$1 sources=$2
    if [ ! -f "$exe" ]; then
        has_sources "$sources" && { echo "missing $exe although $sources exist"; return 1; }
        skip "no sources ($sources)"
    fi
    [ -n "${HELIOTAB_WINE_SESSION:-}" ] || { echo "no Wine session"; return 1; }
    wine "$exe" --gtest_brief=1 </dev/null
}

run_e2e() {
    if [ ! -f "$WIN/heliotab.exe" ] && has_sources "src/app/*_win32.cpp"; then
        echo "missing $WIN/heliotab.exe although src/app has its sources"
        return 1
    fi
    if [ ! -x "$NATIVE/farsim" ] && has_sources "tools/farsim/farsim_main*.cpp"; then
        echo "missing $NATIVE/farsim although tools/farsim has its sources"
        return 1
    fi
    if [ ! -x "$NATIVE/demogen" ] && has_sources "tools/demogen/*.cpp"; then
        echo "missing $NATIVE/demogen although tools/demogen has its sources"
        return 1
    fi
    [ -f "$WIN/uidriver.exe" ] || { echo "missing $WIN/uidriver.exe"; return 1; }
    (cd tests/e2e && python3 -m unittest discover -s . -p 'test_*.py' -v) </dev/null
}

run_fuzz() {
    local name=$1 corpus=$ROOT/build/fuzz-corpus/$1
    [ -x "$FUZZ/$name" ] || { echo "missing $FUZZ/$name"; return 1; }
    mkdir -p "$corpus"
    local seeds=()
    [ -d "tests/fuzz/corpus/$name" ] && seeds=("tests/fuzz/corpus/$name")
    # Crashes land in build/fuzz-crashes; the corpus grows from run to run.
    mkdir -p "$ROOT/build/fuzz-crashes"
    "$FUZZ/$name" -max_total_time="$FUZZ_SECONDS" -print_final_stats=1 -error_exitcode=1 -timeout_exitcode=1 \
        -artifact_prefix="$ROOT/build/fuzz-crashes/$name-" "$corpus" "${seeds[@]}" </dev/null 2>&1 |
        grep -vE '^#[0-9]+\s+(NEW|REDUCE|pulse)' 
    return "${PIPESTATUS[0]}"
}

run_benchmarks() {
    local src name found=0
    for src in bench/*.cpp; do
        [ -f "$src" ] || continue
        name=$(basename "$src" .cpp)
        name=${name%%.*}
        found=1
        [ -x "$BENCHDIR/$name" ] || { echo "missing $BENCHDIR/$name"; return 1; }
        echo "-- $name"
        "$BENCHDIR/$name" --benchmark_min_time=0.2 || return 1
    done
    [ $found = 1 ] || skip "no benchmarks in bench/"
}

wine_session_end() {
    if [ -n "${HELIOTAB_WINE_SESSION:-}" ]; then
        heliotab_wine_session_end "$HELIOTAB_WINE_SESSION"
        rm -rf "$HELIOTAB_WINE_SESSION"
        unset HELIOTAB_WINE_SESSION
    fi
}

export -f skip has_sources run_native_unit run_wine_exe run_e2e run_fuzz run_benchmarks
export ROOT NATIVE WIN ASAN FUZZ BENCHDIR FUZZ_SECONDS

echo "HELIOTAB: all tests ($(date -u '+%Y-%m-%d %H:%M:%S UTC'), $(nproc) cores${CI:+, CI})"

[ $SETUP = 1 ] && stage "setup (packages)" 1800 scripts/setup.sh
stage "formatting (clang-format, black)" 300 scripts/check-format.sh
stage "build native" 1800 scripts/build.sh --only=native
stage "build windows" 1800 scripts/build.sh --only=win
stage "build sanitizer" 1800 scripts/build.sh --only=asan
stage "build fuzz" 1800 scripts/build.sh --only=fuzz
[ $BENCH = 1 ] && stage "build bench" 1800 scripts/build.sh --only=bench

stage "unit tests (native)" 600 run_native_unit "$NATIVE"
ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0} \
UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
    stage "unit tests (ASan/UBSan)" 900 run_native_unit "$ASAN"

# One Wine session (display + prefix) for every Wine stage.
source scripts/wine-env.sh
trap wine_session_end EXIT
echo
echo "test-all: starting the Wine session"
if heliotab_wine_session_start "$ROOT/build/${TAG:+$TAG-}test-session" >/dev/null; then
    echo "test-all: WINEPREFIX=$WINEPREFIX DISPLAY=$DISPLAY"
else
    echo "test-all: the Wine session did not start"
    unset HELIOTAB_WINE_SESSION
fi
stage "unit tests (Windows build under Wine)" 900 run_wine_exe "$WIN/unit_tests.exe" "tests/unit/*/*.cpp"
stage "Win32 adapter tests (under Wine)" 900 run_wine_exe "$WIN/win32_tests.exe" "tests/win32/*.cpp"
stage "serial port over a pty (under Wine)" 300 sh tests/win32/run_serial_test.sh "$WIN"
stage "end-to-end tests (Wine + Xvfb)" 1800 run_e2e
if [ $BENCH = 1 ]; then
    stage "benchmarks" 900 run_benchmarks
    stage "end-to-end figures" 900 scripts/bench-e2e.sh
    stage "latency figures" 1800 scripts/bench-latency.sh
    stage "printing figure" 600 scripts/bench-print.sh
    stage "port scan figures" 600 scripts/bench-scan.sh
fi
wine_session_end

fuzz_targets=()
for src in tests/fuzz/*.cpp; do
    [ -f "$src" ] && fuzz_targets+=("$(basename "$src" .cpp)")
done
if [ ${#fuzz_targets[@]} -eq 0 ]; then
    stage "fuzz targets" 60 skip "no fuzz targets in tests/fuzz"
fi
for f in "${fuzz_targets[@]}"; do
    stage "fuzz $f (${FUZZ_SECONDS}s)" $((FUZZ_SECONDS + 300)) run_fuzz "$f"
done

echo
echo "==== summary: stages (skipped ones not counted), $((SECONDS - T0)) s in all ===="
printf '%s\n' "${SUMMARY[@]}"
echo "$PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
