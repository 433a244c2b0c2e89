#!/bin/sh
# The serial port test under Wine over a socat pty pair as COM9 and COM10
# (WINEPREFIX default: <build-dir>/wineprefix).
set -eu
build=$(cd "${1:?usage: run_serial_test.sh <windows-build-dir>}" && pwd)
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix} WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree,mshtml=" HELIOTAB_TEST_COM=9 HELIOTAB_TEST_COM_PEER=10
[ -d "$WINEPREFIX/dosdevices" ] || wineboot -i >/dev/null 2>&1
tmp=$(mktemp -d) socat_pid= status=0 dev=$WINEPREFIX/dosdevices
stop_pair() { kill "$socat_pid" 2>/dev/null && wait "$socat_pid" || true; }
trap 'stop_pair; rm -rf "$tmp" "$dev/com9" "$dev/com10"' EXIT INT TERM
# COM9 and COM10 are the links, which follow the pair when it is made again.
ln -sfn "$tmp/a" "$dev/com9"
ln -sfn "$tmp/b" "$dev/com10"
start_pair() {
    socat pty,raw,echo=0,link="$tmp/a" pty,raw,echo=0,link="$tmp/b" 2>/dev/null & socat_pid=$!
    timeout 5 sh -c "until [ -e '$tmp/a' ] && [ -e '$tmp/b' ]; do sleep 0.05; done" ||
        { echo "socat did not start" >&2; exit 1; }
}
start_pair
wine "$build/win32_tests.exe" --gtest_filter="SerialPortTest.*" || status=1
# The line drop: the pair dies once the test's byte shows that it holds COM9 open.
stop_pair; start_pair
HELIOTAB_TEST_EXPECT_DISCONNECT=1 wine "$build/win32_tests.exe" \
    --gtest_filter='SerialPortTest.DroppedLineIsReportedOnce' & test_pid=$!
timeout 60 head -c1 "$tmp/b" >/dev/null || { echo "the test never opened COM9" >&2; status=1; }
stop_pair
wait "$test_pid" || status=1
exit $status
