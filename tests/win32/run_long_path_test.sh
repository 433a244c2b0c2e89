#!/bin/sh
# The program's path past MAX_PATH (over 600 characters): win32_tests.exe copied below a long
# folder and started there (WINEPREFIX default: <build-dir>/wineprefix).
set -eu
build=$(cd "${1:?usage: run_long_path_test.sh <windows-build-dir>}" && pwd)
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -d "$WINEPREFIX/dosdevices" ] || wineboot -i >/dev/null 2>&1
top=$WINEPREFIX/drive_c/heliotab-long-path dir=$top dos='C:\heliotab-long-path'
out=$(mktemp)
trap 'rm -rf "$top" "$out"' EXIT INT TERM
for i in $(seq 1 60); do dir=$dir/folder_$i dos=$dos'\'folder_$i; done
mkdir -p "$dir" && cp "$build/win32_tests.exe" "$dir/heliotab_long.exe"
HELIOTAB_EXPECT_PROGRAM_PATH="$dos\\heliotab_long.exe" wine "$dir/heliotab_long.exe" \
    --gtest_filter='ProgramPath.AnyLength' >"$out" 2>&1 || status=1
cat "$out"
grep -q '^\[       OK \] ProgramPath.AnyLength' "$out" && exit "${status:-0}"
exit 1
