#!/usr/bin/env bash
# Configures and builds HELIOTAB.
#   scripts/build.sh              native (build/native) and Windows (build/win)
#   scripts/build.sh --asan       also the sanitizer build (build/asan)
#   scripts/build.sh --fuzz       also the libFuzzer targets (build/fuzz, clang)
#   scripts/build.sh --bench      also the benchmarks (build/bench, Release)
#   scripts/build.sh --only=LIST  only the named builds, e.g. --only=native,win
# HELIOTAB_BUILD_TAG=x puts them in build/x-native, build/x-win, ...
# HELIOTAB_JOBS overrides the parallel jobs (default 2: the machine is shared).
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
JOBS=${HELIOTAB_JOBS:-2}
TAG=${HELIOTAB_BUILD_TAG:-}

builds=(native win)
for arg in "$@"; do
    case $arg in
        --asan) builds+=(asan) ;;
        --fuzz) builds+=(fuzz) ;;
        --bench) builds+=(bench) ;;
        --only=*) IFS=, read -r -a builds <<<"${arg#--only=}" ;;
        -h|--help) sed -n '2,10p' "$0"; exit 0 ;;
        *) echo "build: unknown option $arg" >&2; exit 2 ;;
    esac
done

build_dir() { echo "build/${TAG:+$TAG-}$1"; }

configure_and_build() {
    local name=$1; shift
    local dir
    dir=$(build_dir "$name")
    echo "build: $name -> $dir"
    local start=$SECONDS
    cmake -S . -B "$dir" "$@" >"$dir.configure.log" 2>&1 || {
        mkdir -p "$dir"; cat "$dir.configure.log" >&2
        echo "build: configuring $name failed" >&2; return 1; }
    cmake --build "$dir" -j"$JOBS" || { echo "build: building $name failed" >&2; return 1; }
    echo "build: $name done in $((SECONDS - start)) s"
}

mkdir -p build
for b in "${builds[@]}"; do
    case $b in
        native) configure_and_build native ;;
        win)    configure_and_build win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release ;;
        asan)   configure_and_build asan -DHELIOTAB_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug ;;
        fuzz)   configure_and_build fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
                    -DHELIOTAB_FUZZ=ON -DHELIOTAB_TESTS=OFF -DHELIOTAB_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo ;;
        bench)  configure_and_build bench -DHELIOTAB_BENCH=ON -DHELIOTAB_TESTS=OFF -DCMAKE_BUILD_TYPE=Release ;;
        *) echo "build: unknown build $b" >&2; exit 2 ;;
    esac
done
