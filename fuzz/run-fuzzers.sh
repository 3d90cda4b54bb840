#!/usr/bin/env bash
# Builds the libFuzzer programs with clang in BUILD_DIR and runs each, one after another, on a
# fresh copy of its committed seed corpus (the committed files are never written to). Options
# after BUILD_DIR go to every fuzzer, e.g.
#   fuzz/run-fuzzers.sh build-fuzz-clang -max_total_time=30
#   FUZZERS="udp sim" fuzz/run-fuzzers.sh build-fuzz-clang -runs=10000000
# Prints each fuzzer's closing "#N DONE ... exec/s" line; exits non-zero if any fuzzer found a
# crash, a leak, a hang or a failed check (the input is kept in BUILD_DIR/fuzz-work/NAME/).
set -euo pipefail

if [ $# -lt 1 ]; then
    echo "usage: $0 BUILD_DIR [libFuzzer options...]" >&2
    exit 2
fi
src=$(cd "$(dirname "$0")/.." && pwd)
build=$1
shift

# Longest input per fuzzer: past the 4096-byte receive buffer for datagrams, past the 1024-byte
# serial receive buffer, past the 31 bytes of a box's text, past the simulator's longest line,
# a profile file many times its usual size.
declare -A max_len=([udp]=4096 [serial]=1200 [affix]=128 [sim]=4300 [profile]=4096)

cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DTESSARO_FUZZ=ON -DTESSARO_WITH_INSTALLER=OFF -DTESSARO_WERROR=ON >/dev/null

names=()
for name in ${FUZZERS:-udp serial affix sim profile}; do
    if [ ! -d "$src/fuzz/corpus/$name" ]; then
        echo "no corpus for fuzzer $name" >&2
        exit 2
    fi
    names+=("$name")
done
targets=()
for name in "${names[@]}"; do targets+=("fuzz_$name"); done
# Only the fuzzers and the code under test: the Qt parts are not built with clang.
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

failed=()
for name in "${names[@]}"; do
    work="$build/fuzz-work/$name"
    rm -rf "$work"
    mkdir -p "$work/corpus"
    cp "$src/fuzz/corpus/$name"/* "$work/corpus/"
    log="$build/fuzz-work/$name.log"
    echo "-- fuzz_$name $*"
    status=0
    "$build/fuzz/fuzz_$name" -max_len="${max_len[$name]:-4096}" -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$work/" "$@" "$work/corpus" >"$log" 2>&1 ||
        status=$?
    if [ "$status" -eq 0 ] && grep -q 'DONE' "$log"; then
        grep 'DONE' "$log" | tail -n 1
        grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log"
    else
        echo "fuzz_$name FAILED (exit $status); the end of its log ($log):"
        tail -n 60 "$log"
        ls "$work" | grep -v '^corpus$' || true
        failed+=("$name")
    fi
done

if [ ${#failed[@]} -ne 0 ]; then
    echo "fuzzers that failed: ${failed[*]}" >&2
    exit 1
fi
echo "fuzzers passed: ${names[*]}"
