#!/bin/sh
# Runs the Win32 serial port test under Wine over a socat pty pair linked as
# COM9 and COM10 of the prefix. Usage: run_serial_test.sh <build-dir>
# (the Windows build, holding win32_tests.exe). WINEPREFIX defaults to
# <build-dir>/wineprefix and is created when missing.
set -eu
build=${1:?usage: run_serial_test.sh <windows-build-dir>}
build=$(cd "$build" && pwd)
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -d "$WINEPREFIX/dosdevices" ] || wineboot -i >/dev/null 2>&1

tmp=$(mktemp -d)
socat_pid=
cleanup() {
    [ -n "$socat_pid" ] && kill "$socat_pid" 2>/dev/null || true
    rm -f "$WINEPREFIX/dosdevices/com9" "$WINEPREFIX/dosdevices/com10"
    rm -rf "$tmp"
}
trap cleanup EXIT INT TERM

start_pair() {
    socat pty,raw,echo=0,link="$tmp/a" pty,raw,echo=0,link="$tmp/b" 2>/dev/null &
    socat_pid=$!
    i=0
    while [ ! -e "$tmp/a" ] || [ ! -e "$tmp/b" ]; do
        i=$((i + 1)); [ $i -gt 100 ] && { echo "socat did not start" >&2; exit 1; }
        sleep 0.05
    done
    ln -sfn "$(readlink "$tmp/a")" "$WINEPREFIX/dosdevices/com9"
    ln -sfn "$(readlink "$tmp/b")" "$WINEPREFIX/dosdevices/com10"
}

export HELIOTAB_TEST_COM=9 HELIOTAB_TEST_COM_PEER=10
start_pair
status=0
wine "$build/win32_tests.exe" --gtest_filter="SerialPortTest.*" || status=1


# The line drop: kill the pair while the test holds COM9 open.
kill "$socat_pid"; wait "$socat_pid" 2>/dev/null || true
start_pair
HELIOTAB_TEST_EXPECT_DISCONNECT=1 wine "$build/win32_tests.exe" --gtest_filter='SerialPortTest.DroppedLineIsReportedOnce' &
test_pid=$!
# The test sends one byte once its port is open: the line drops only then.
timeout 60 head -c1 "$tmp/b" >/dev/null || { echo "the test never opened COM9" >&2; status=1; }
kill "$socat_pid"; wait "$socat_pid" 2>/dev/null || true
socat_pid=
wait "$test_pid" || status=1
exit $status
