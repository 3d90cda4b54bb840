#!/usr/bin/env bash
# Sets everything up on a fresh Debian machine, builds, and starts Tessaro together with a
# simulated reader. Arguments go to the simulator, e.g.
#   ./run.sh --config sim/reader-sim.example.json
set -euo pipefail
cd "$(dirname "$0")"

# Nothing to show on: say so before spending minutes on a build.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found. To run Tessaro on a virtual one:" >&2
    if ! command -v xvfb-run >/dev/null; then
        echo "  sudo apt-get install -y xvfb xauth" >&2
    fi
    echo "  xvfb-run -a ./run.sh" >&2
    exit 1
fi

./cmake/install-deps.sh --run

# Only the two programs it runs; ./test.sh builds the rest. A build folder that ./test.sh
# configured keeps its settings.
build=${TESSARO_BUILD_DIR:-build}
if [ -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" >/dev/null
else
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARO_BUILD_TESTS=OFF \
        -DTESSARO_WITH_INSTALLER=OFF >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target tessaro reader-sim

log="$build/reader-sim.log"
"$build/sim/reader-sim" "$@" >"$log" 2>&1 &
sim_pid=$!
stop_sim() {
    if kill -0 "$sim_pid" 2>/dev/null; then
        kill -INT "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
}
trap stop_sim EXIT

# The simulator prints its serial port, then its UDP endpoint, once it is ready.
for _ in $(seq 50); do
    if grep -q '^reader-sim: listening on' "$log"; then
        break
    fi
    if ! kill -0 "$sim_pid" 2>/dev/null; then
        echo "The simulated reader did not start:" >&2
        cat "$log" >&2
        exit 1
    fi
    sleep 0.1
done
if ! grep -q '^reader-sim: listening on' "$log"; then
    echo "The simulated reader did not come up; its log so far:" >&2
    cat "$log" >&2
    exit 1
fi
pty=$(sed -n 's/^reader-sim: serial port \(.*\)$/\1/p' "$log" | head -n 1)

echo "Simulated reader running (log: $log)."
echo "Type this into the Serial Port box, then press \"Open Serial Port\":"
echo "    $pty"

"$build/app/tessaro"
