#!/usr/bin/env bash
# Sets everything up on a fresh Debian machine, builds, and starts Tessaro.
set -euo pipefail
cd "$(dirname "$0")"

./cmake/install-deps.sh

build=build
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target tessaro

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found. To run Tessaro on a virtual one:" >&2
    echo "  sudo apt-get install -y xvfb && xvfb-run -a ./run.sh" >&2
    exit 1
fi

exec "$build/app/tessaro"
