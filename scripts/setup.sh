#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine needs to build, test and run HELIOTAB.
# Quick and quiet when everything is there already.
set -euo pipefail

PACKAGES=(
    cmake g++ make                      # native build
    clang libclang-rt-14-dev            # fuzz targets (libFuzzer, sanitizers)
    googletest libgtest-dev             # unit tests (built from /usr/src/googletest)
    libbenchmark-dev                    # benchmarks
    g++-mingw-w64-x86-64-posix          # Windows build (posix threads)
    wine wine64                         # running the Windows build
    xvfb socat xdotool imagemagick x11-utils xauth   # display, ptys, screenshots
    python3                             # end-to-end test harness
    clang-format black                  # the layout every file keeps (scripts/check-format.sh)
    nsis zip                            # the installer and the portable zip
    cups-daemon cups-client printer-driver-cups-pdf poppler-utils libcups2   # a real printer for the report tests
)

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: all ${#PACKAGES[@]} packages present"
    exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=()
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "setup: run as root or install sudo" >&2; exit 1; }
    SUDO=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
"${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
echo "setup: done"
