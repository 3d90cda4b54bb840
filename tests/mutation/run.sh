#!/usr/bin/env bash
# Plants the faults of faults.txt one at a time in a scratch copy of the tree, rebuilds it
# (Release, incrementally, through ccache when there is one), runs the suite and says whether a
# test caught each fault. Far too slow for ./test.sh: run it by hand, at low priority on a shared
# machine:
#
#   nice -n 10 tests/mutation/run.sh                   # every fault, the whole suite
#   tests/mutation/run.sh -k 'profile-'                # the faults whose name or layer matches
#   tests/mutation/run.sh -k sequencer -R 'profile_'   # ... against the ctest tests matching -R
#   tests/mutation/run.sh --check                      # only: is every snippet still in the tree?
#
# Options: -f LIST (default: faults.txt beside this script), -d SCRATCH (default: build-mutation
# at the top of the tree, ignored by git; kept between runs, so a second run rebuilds little),
# -j JOBS (default: nproc), -t SECONDS (one test's timeout, default 300).
# Prints one line per fault, then "N of M caught"; exits 0 only when every fault was caught.
set -euo pipefail
# Parsed whole before it starts, so that editing this file cannot upset a run under way.
{

here=$(cd "$(dirname "$0")" && pwd)
tree=$(cd "$here/../.." && pwd)
list="$here/faults.txt"
scratch="$tree/build-mutation"
jobs=$(nproc)
timeout=300
pick=""
tests=""
check_only=0

while [ $# -gt 0 ]; do
    case "$1" in
    -f) list=$(realpath "$2"); shift 2 ;;
    -d) scratch="$2"; shift 2 ;;
    -j) jobs="$2"; shift 2 ;;
    -t) timeout="$2"; shift 2 ;;
    -k) pick="$2"; shift 2 ;;
    -R) tests="$2"; shift 2 ;;
    --check) check_only=1; shift ;;
    -h | --help) sed -n '2,15s/^# \{0,1\}//p' "$0"; exit 0 ;;
    *) echo "run.sh: unknown argument $1 (see --help)" >&2; exit 64 ;;
    esac
done

plant() { python3 "$here/plant.py" "$@"; }

if [ "$check_only" = 1 ]; then
    plant check "$list" "$tree" && echo "every snippet is found once in $tree"
    exit
fi

# The build sits inside the copy as build/ sits inside the tree: with ccache's base_dir above
# both, the copy's first build reuses the tree's compiled objects.
src="$scratch/src"
build="$src/build"
logs="$scratch/logs"
backup="$scratch/backup"
mkdir -p "$src" "$logs"
rm -f "$logs"/*.log

echo "== copying $tree to $src"
plant sync "$tree" "$src"
# The run works from this copy of the list: the list may be edited while it runs.
cp "$list" "$scratch/faults.txt"
list="$scratch/faults.txt"

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
# The flags of ./test.sh's build, so that ccache serves the unchanged files; a fault that draws a
# warning is therefore a fault that does not build. Velmora is left out: no fault is there.
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARO_WERROR=ON \
    -DTESSARO_BUILD_TESTS=ON -DTESSARO_WITH_INSTALLER=OFF "${launcher[@]}" >"$logs/configure.log"

build_tree() { cmake --build "$build" -j"$jobs" >"$1" 2>&1; }
ctest_in() {
    ctest --test-dir "$build" -j"$jobs" --timeout "$timeout" --output-on-failure \
        --stop-on-failure "$@"
}
failed_tests() {
    sed -n '/The following tests FAILED/,$p' "$1" |
        sed -n 's/^[[:space:]]*[0-9]* - \(.*\) ([^()]*)$/\1/p' |
        paste -sd, -
}

echo "== building and running the suite without a fault"
if ! build_tree "$logs/baseline-build.log"; then
    echo "the tree does not build: see $logs/baseline-build.log" >&2
    exit 1
fi
selection=()
[ -n "$tests" ] && selection=(-R "$tests")
if ! ctest_in "${selection[@]}" >"$logs/baseline-test.log" 2>&1; then
    echo "the suite fails without any fault ($(failed_tests "$logs/baseline-test.log")):" \
        "see $logs/baseline-test.log" >&2
    exit 1
fi

# Quick tests first, then the slow ones only for a fault the quick ones missed: the same suite,
# in an order that stops early. Slow: above 5 s in the run just done.
slow=$(awk 'NF == 3 && $3 > 5 { printf "%s%s", sep, $1; sep = "|" }' \
    "$build/Testing/Temporary/CTestCostData.txt" 2>/dev/null || true)
run_suite() {
    if [ -z "$slow" ]; then
        ctest_in "${selection[@]}" >"$1" 2>&1
        return
    fi
    ctest_in "${selection[@]}" -E "^($slow)\$" >"$1" 2>&1 &&
        ctest_in "${selection[@]}" -R "^($slow)\$" >>"$1" 2>&1
}

mapfile -t entries < <(plant list "$list")
total=0
caught=0
missed=()
errors=()
for entry in "${entries[@]}"; do
    IFS=$'\t' read -r index name layer file <<<"$entry"
    if [ -n "$pick" ] && ! [[ "$name" =~ $pick || "$layer" =~ $pick ]]; then
        continue
    fi
    total=$((total + 1))
    label=$(printf '%-8s %s' "$layer" "$name")
    log="$logs/$name.log"
    mkdir -p "$(dirname "$backup/$file")"
    cp "$src/$file" "$backup/$file"
    if ! why=$(plant plant "$list" "$index" "$src"); then
        echo "list error  $label: $why"
        errors+=("$name")
        continue
    fi
    if ! build_tree "$log"; then
        echo "list error  $label: does not build, warnings included (see $log)"
        errors+=("$name")
    elif run_suite "$log"; then
        echo "MISSED      $label"
        missed+=("$name")
    else
        by=$(failed_tests "$log")
        # A test that passes on a second run failed for another reason than the fault. (By name:
        # --rerun-failed goes by test numbers, which differ between filtered runs.)
        again=$(tr , '\n' <<<"$by" | sed 's/[][\.^$*+?(){}|]/\\&/g' | paste -sd '|' -)
        if [ -n "$by" ] && ctest --test-dir "$build" --timeout "$timeout" --output-on-failure \
            -R "^($again)\$" >>"$log" 2>&1; then
            echo "MISSED      $label (flaky: $by failed once, then passed)"
            missed+=("$name")
        else
            echo "caught      $label by ${by:-the suite}"
            caught=$((caught + 1))
        fi
    fi
    # Rewritten, not moved back: the restored file must look newer than the objects built from
    # the fault.
    cat "$backup/$file" >"$src/$file"
done

echo
echo "$caught of $total caught"
[ ${#missed[@]} -eq 0 ] || echo "missed: ${missed[*]}"
[ ${#errors[@]} -eq 0 ] || echo "list errors (counted as not caught): ${errors[*]}"
echo "logs: $logs"
[ "$caught" -eq "$total" ]
exit
}
