#!/usr/bin/env bash
# Sets everything up on a fresh Debian machine, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")"

./cmake/install-deps.sh

build=build
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
