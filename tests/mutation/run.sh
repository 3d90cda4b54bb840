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
# -j JOBS (default: nproc), -t SECONDS (one test's timeout, default 300), --no-baseline (skip
# the run of the suite without a fault, when a run just before made it).
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
baseline=1

while [ $# -gt 0 ]; do
    case "$1" in
    -f) list=$(realpath "$2"); shift 2 ;;
    -d) scratch="$2"; shift 2 ;;
    -j) jobs="$2"; shift 2 ;;
    -t) timeout="$2"; shift 2 ;;
    -k) pick="$2"; shift 2 ;;
    -R) tests="$2"; shift 2 ;;
    --check) check_only=1; shift ;;
    --no-baseline) baseline=0; shift ;;
    -h | --help) sed -n '2,16s/^# \{0,1\}//p' "$0"; exit 0 ;;
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
if [ "$baseline" = 1 ] && ! ctest_in "${selection[@]}" >"$logs/baseline-test.log" 2>&1; then
    echo "the suite fails without any fault ($(failed_tests "$logs/baseline-test.log")):" \
        "see $logs/baseline-test.log" >&2
    exit 1
fi

# Quick tests first, then the slow ones only for a fault the quick ones missed: the same suite,
# in an order that stops early. Slow: above 5 s in the run just done.
slow=$(awk 'NF == 3 && $3 > 5 { printf "%s%s", sep, $1; sep = "|" }' \
    "$build/Testing/Temporary/CTestCostData.txt" 2>/dev/null || true)
# $1: the log; $2: a regex of tests to leave out, or nothing.
run_suite() {
    local skip=$2 quick_skip=$slow
    [ -n "$skip" ] && quick_skip="${quick_skip:+$quick_skip|}$skip"
    if [ -n "$quick_skip" ]; then
        ctest_in "${selection[@]}" -E "^($quick_skip)\$" >"$1" 2>&1 || return 1
    else
        ctest_in "${selection[@]}" >"$1" 2>&1 || return 1
    fi
    [ -n "$slow" ] || return 0
    if [ -n "$skip" ]; then
        ctest_in "${selection[@]}" -R "^($slow)\$" -E "^($skip)\$" >>"$1" 2>&1
    else
        ctest_in "${selection[@]}" -R "^($slow)\$" >>"$1" 2>&1
    fi
}
# Test names, comma-separated, as one anchored-alternatives regex body.
names_regex() { tr , '\n' <<<"$1" | sed 's/[][\.^$*+?(){}|]/\\&/g' | paste -sd '|' -; }

# Prints the tests that caught the planted fault: they failed, and failed again when run alone.
# A test that fails once and then passes failed for another reason (a loaded machine): it is set
# aside and the suite runs on without it.
catchers() {
    local log=$1 part="$1.part" flaky="" by
    : >"$log"
    for _ in 1 2 3; do
        if run_suite "$part" "$([ -z "$flaky" ] || names_regex "$flaky")"; then
            cat "$part" >>"$log"
            [ -z "$flaky" ] || echo "(flaky, set aside: $flaky)" >>"$log"
            rm -f "$part"
            return 1
        fi
        cat "$part" >>"$log"
        by=$(failed_tests "$part")
        rm -f "$part"
        if [ -z "$by" ] || ! ctest --test-dir "$build" --timeout "$timeout" --output-on-failure \
            -R "^($(names_regex "$by"))\$" >>"$log" 2>&1; then
            echo "${by:-the suite}"
            return 0
        fi
        flaky="${flaky:+$flaky,}$by"
    done
    echo "(flaky, set aside: $flaky)" >>"$log"
    return 1
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
    elif by=$(catchers "$log"); then
        echo "caught      $label by $by"
        caught=$((caught + 1))
    else
        echo "MISSED      $label$(sed -n 's/^\((flaky, set aside: .*)\)$/ \1/p' "$log" | tail -n 1)"
        missed+=("$name")
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
