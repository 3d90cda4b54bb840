#!/usr/bin/env bash
# Builds the bench programs and prints every figure of docs/PERFORMANCE.md. Not a test: the
# figures depend on the machine and on what else runs on it.
#   bench/run-benchmarks.sh [BUILD_DIR]     (default: build-bench beside the sources)
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$src/build-bench}

cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTESSARO_WITH_INSTALLER=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" \
    --target bench_startup bench_tessaro_startup bench_minimal_dialog bench_dialog bench_ctl bench_profile bench_speed_search bench_ports bench_pcapng bench_net \
    >/dev/null

export QT_QPA_PLATFORM=offscreen
bench=$build/bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Median of the values of KEY (lines "KEY=value") in the given files.
median() {
    local key=$1
    shift
    sed -n "s/^$key=//p" "$@" | sort -n | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)] }'
}

echo "machine: $(nproc) cores,$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2)," \
    "load $(cut -d' ' -f1-3 /proc/loadavg), $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "UDP receive buffer: net.core.rmem_default=$(cat /proc/sys/net/core/rmem_default)" \
    "net.core.rmem_max=$(cat /proc/sys/net/core/rmem_max)"

echo
echo "== start-up until the dialog is shown, wall clock (target: at most 1.3 x minimal dialog)"
"$bench/bench_startup" "$bench/bench_tessaro_startup" "$bench/bench_minimal_dialog" 21

echo
echo "== start-up until the dialog is shown, instructions (callgrind)"
if command -v valgrind >/dev/null; then
    for program in bench_tessaro_startup bench_minimal_dialog; do
        # The count is cut where the program reports the dialog shown.
        valgrind --tool=callgrind --dump-before='ReportShown*' \
            --callgrind-out-file="$work/$program.%p" "$bench/$program" >/dev/null 2>&1
        sed -n 's/^summary: //p' "$work"/$program.*.1 >"$work/$program.ir"
    done
    awk -v t="$(cat "$work/bench_tessaro_startup.ir")" -v m="$(cat "$work/bench_minimal_dialog.ir")" \
        'BEGIN { printf "  tessaro        %8.1f M\n  minimal dialog %8.1f M\n  ratio          %8.2f\n",
                 t / 1e6, m / 1e6, t / m }'
else
    echo "  (valgrind not installed)"
fi

echo
echo "== memory and discovery, median of 5 runs"
for i in 1 2 3 4 5; do
    # A burst of 10,000 as fast as the sender goes, with a 4 MiB receive buffer asked for.
    "$bench/bench_dialog" discovery 4194304 >"$work/burst.$i" 2>/dev/null || true
    # 20,000 a second, the socket's default receive buffer.
    "$bench/bench_dialog" discovery 0 20000 >"$work/paced.$i" 2>/dev/null || true
done
echo "  peak RSS shown:                    $(median rss_shown_kib "$work"/burst.*) KiB (target: 40 MiB)"
echo "  peak RSS after 10,000 readers:     $(median rss_10k_readers_kib "$work"/burst.* "$work"/paced.*) KiB (target: 60 MiB)"
echo "  burst, receive buffer $(median rcvbuf_bytes "$work"/burst.*) B: lost $(median discovery_lost "$work"/burst.*)," \
    "sent in $(median discovery_send_ms "$work"/burst.*) ms, 10,000th row listed at" \
    "$(median discovery_listed_ms "$work"/burst.*) ms, idle at $(median discovery_idle_ms "$work"/burst.*) ms"
echo "  20,000/s, receive buffer $(median rcvbuf_bytes "$work"/paced.*) B: lost $(median discovery_lost "$work"/paced.*)," \
    "10,000th row listed at $(median discovery_listed_ms "$work"/paced.*) ms (target: 1000 ms)"

echo
echo "== serial: last byte of a 182-byte parameter reply until every control is filled (target: 5 ms)"
"$bench/bench_dialog" serial 101 2>/dev/null

echo
echo "== \"Keep a record\" with 64 KiB of text: longest event-loop stall (target: 50 ms)"
"$bench/bench_dialog" keep-record 11 2>/dev/null

echo
echo "== UDP: highest paced rate without loss, dump included (target: 20,000/s)"
"$bench/bench_dialog" udp-rate 0 2>/dev/null

echo
echo "== Port list refresh (target: no block over 5 ms) and Find reader at the last speed"
"$bench/bench_ports" refresh 2>/dev/null
"$bench/bench_ports" find 2>/dev/null

echo
echo "== profiles: a full profile applied and verified on a pty; the line-time model"
"$bench/bench_profile" 31

echo
echo "== speed change: the search for the reader against the timeouts it waits (target: 10 % over)"
"$bench/bench_speed_search" 3

echo
echo "== tessaroctl: get from exec to exit, a full apply to 32 readers against one, median of 11"
"$bench/bench_ctl" "$build/cli/tessaroctl" "$build/sim/reader-sim" 32 11
"$bench/bench_ctl" "$build/cli/tessaroctl" "$build/sim/reader-sim" 32 11 processes

echo
echo "== tessaroctl net: 100 simulated readers re-addressed from a CSV (fixed ports 24582/24583)"
"$bench/bench_net" 100 2

echo
echo "== Save as pcapng: a full frame log (100,000 entries) as capture bytes"
"$bench/bench_pcapng" 5
