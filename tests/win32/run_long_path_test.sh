#!/bin/sh
# The program's path past MAX_PATH (over 600 characters): win32_tests.exe copied below a long
# folder and started there (WINEPREFIX default: <build-dir>/wineprefix).
set -eu
build=$(cd "${1:?usage: run_long_path_test.sh <windows-build-dir>}" && pwd)
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -d "$WINEPREFIX/dosdevices" ] || wineboot -i >/dev/null 2>&1
sub=$(seq -s / -f folder_%g 60) top=$WINEPREFIX/drive_c/heliotab-long-path out=$(mktemp)
trap 'rm -rf "$top" "$out"' EXIT INT TERM
mkdir -p "$top/$sub" && cp "$build/win32_tests.exe" "$top/$sub/heliotab_long.exe"
dos="C:\\heliotab-long-path\\$(echo "$sub" | tr / '\\')\\heliotab_long.exe"
HELIOTAB_EXPECT_PROGRAM_PATH=$dos wine "$dos" --gtest_filter=ProgramPath.AnyLength >"$out" 2>&1 ||
    status=1
cat "$out"
# Passed only if the filter found the test: running no test passes too.
grep -q '^\[       OK \] ProgramPath.AnyLength' "$out" && exit "${status:-0}"
exit 1
