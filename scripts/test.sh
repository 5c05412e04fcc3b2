#!/usr/bin/env bash
# Sets up and runs every test: installs the missing packages, builds with
# AddressSanitizer and UndefinedBehaviorSanitizer, and runs CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/photokiosk-ccache}"
export CCACHE_BASEDIR="$PWD"
# Build folders differ between clones; the cache is shared all the same.
export CCACHE_NOHASHDIR=1
export CCACHE_SLOPPINESS="${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}"
export CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-5G}"
build="${KIOSK_TEST_BUILD_DIR:-build/sanitize}"
jobs="$(nproc)"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Sanitize -DKIOSK_BUILD_TESTS=ON
cmake --build "$build" -j "$jobs"
ctest --test-dir "$build" --output-on-failure -j "$jobs" "$@"
