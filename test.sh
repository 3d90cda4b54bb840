#!/usr/bin/env bash
# Sets everything up on a fresh Debian machine, builds, and runs every test: once in a plain
# build, once more under AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzzer for a
# bounded time. Any failure ends the run with a non-zero status.
set -euo pipefail
cd "$(dirname "$0")"

./cmake/install-deps.sh

jobs=$(nproc)
passed=0

# The project's own sources are kept as .clang-format lays them out; build trees are skipped.
echo "== formatting"
find . \( -path './build*' -o -path './.git' \) -prune -o \( -name '*.cpp' -o -name '*.h' \) \
    -print0 | xargs -0 clang-format --dry-run --Werror

# The translations cover tessaro's texts exactly: lupdate on a copy must find nothing new, nothing
# gone and nothing unfinished.
echo "== translations"
ts_copy=$(mktemp -d)
for ts in translations/*.ts; do
    cp "$ts" "$ts_copy/"
    ./cmake/update-translations.sh "$ts_copy/$(basename "$ts")" | tail -n 1
    if grep -q 'type="unfinished"\|type="vanished"\|type="obsolete"' "$ts_copy/$(basename "$ts")" ||
        ! cmp -s "$ts" "$ts_copy/$(basename "$ts")"; then
        echo "$ts: unfinished, new or obsolete texts; run cmake/update-translations.sh" >&2
        diff "$ts" "$ts_copy/$(basename "$ts")" >&2 || true
        exit 1
    fi
done
rm -rf "$ts_copy"

# ctest with its output shown, counting the tests that passed for the closing line.
run_ctest() {
    local log
    log=$(mktemp)
    ctest "$@" 2>&1 | tee "$log"
    local n
    n=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)
    rm -f "$log"
    passed=$((passed + ${n:-0}))
}

# Release is what users and packagers build: the plain run builds and tests exactly that, with
# warnings as errors.
echo "== build and test (Release)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARO_WERROR=ON \
    -DTESSARO_BUILD_TESTS=ON -DTESSARO_WITH_INSTALLER=ON
cmake --build build -j"$jobs"
run_ctest --test-dir build --output-on-failure -j"$jobs"

# The Debian package as Debian's own are judged: no lintian error or warning.
echo "== package"
cmake --build build --target package
lintian --allow-root --fail-on error,warning build/tessaro_*.deb
echo "lintian: no errors or warnings"

echo "== build and test with sanitizers"
# Velmora's Windows builds cannot be sanitized; its routine is covered by the plain run.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSARO_SANITIZE=ON \
    -DTESSARO_WERROR=ON -DTESSARO_WITH_INSTALLER=OFF
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
    LSAN_OPTIONS="suppressions=$PWD/cmake/lsan.supp:print_suppressions=0" \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_ctest --test-dir build-asan --output-on-failure -j"$jobs"

# ---------------------------------------------------------------------------------------------
echo "== fuzz"
# The committed corpora were replayed by both runs above (tests fuzz_replay_*). Here each
# libFuzzer program (clang, with ASan and UBSan) runs for 30 s on a copy of its corpus and
# prints its executions and exec/s; a crash, leak, hang or failed check fails the run.
if command -v clang++ >/dev/null; then
    fuzz/run-fuzzers.sh build-fuzz-clang -max_total_time=30
else
    echo "clang++ not found: the fuzzers were not run" >&2
    exit 1
fi

# ---------------------------------------------------------------------------------------------
# Both ctest runs above, as one closing line.
echo "test.sh: $passed passed, 0 failed"
