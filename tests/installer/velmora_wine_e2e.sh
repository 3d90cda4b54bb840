#!/bin/bash
# Velmora end to end under 64-bit Wine, in throw-away prefixes.
# usage: velmora_wine_e2e.sh WINE64 WINESERVER VELMORA_EXE CONTROL_A CONTROL_B PRESS_OK_EXE
#
# The prefixes use Wine's null display driver: without any driver Wine cannot
# create windows, so Velmora's dialog would never initialise. With it the
# message box is a real modal window, which press_ok.exe reads and answers.
set -u
wine=$1
wineserver=$2
velmora=$3
control_a=$4
control_b=$5
press_ok=$6

unset DISPLAY WAYLAND_DISPLAY
export WINEDEBUG=-all,+debugstr
export WINEDLLOVERRIDES="mscoree,mshtml="

work=$(mktemp -d "${TMPDIR:-/tmp}/velmora-e2e.XXXXXX")
prefixes=()
cleanup() {
    for prefix in "${prefixes[@]}"; do
        WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
check() {
    local what=$1
    shift
    if "$@"; then
        echo "ok: $what"
    else
        echo "FAIL: $what"
        failures=$((failures + 1))
    fi
}

new_prefix() {
    export WINEPREFIX=$work/$1
    prefixes+=("$WINEPREFIX")
    timeout 240 "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >"$work/$1-boot.log" 2>&1 ||
        { echo "cannot create prefix $1"; cat "$work/$1-boot.log"; exit 1; }
    # Restart so that the desktop comes up with the null driver.
    "$wineserver" -k 2>/dev/null
    "$wineserver" -w
    system32=$WINEPREFIX/drive_c/windows/system32
    marker=$WINEPREFIX/drive_c/velmora-registered.txt
}

# Runs Velmora from folder $1 and answers its message box. Sets $rc, $debug
# (Velmora's debugger output) and $box (what the message box showed).
run_velmora() {
    local dir=$1
    (cd "$dir" && timeout 120 "$wine" "$velmora" >"$dir.out" 2>"$dir.err")&
    local pid=$!
    box=$(timeout 120 "$wine" "$press_ok" 90 2>&1 | tr -d '\r' | sort)
    wait $pid
    rc=$?
    debug=$(sed -n 's/^.*OutputDebugStringA //p' "$dir.err")
}

expect_outcome() {
    local text=$1
    check "exit code 0" test "$rc" -eq 0
    check "debugger output is \"$text\"" test "$debug" = "\"$text\""
    check "one message box \"$text\" with an OK button" \
        test "$box" = "$(printf 'button: OK\ntext: %s' "$text")"
    echo "   message box: ${box//$'\n'/, }"
}

echo "== fresh prefix, control files in the current folder"
new_prefix prefix1
mkdir "$work/run1"
cp "$control_a" "$work/run1/MSCOMM32.OCX"
: >"$work/run1/MSCOMM32.DEP"
run_velmora "$work/run1"
expect_outcome "Mscomm32 registration success!"
check "OCX copied to system32" cmp -s "$control_a" "$system32/MSCOMM32.OCX"
check "empty DEP copied to system32" test -f "$system32/MSCOMM32.DEP" -a ! -s "$system32/MSCOMM32.DEP"
check "control registered once" test "$(tr -d '\r' <"$marker" 2>/dev/null)" = "A"

echo "== same prefix, a different control in the current folder"
mkdir "$work/run2"
cp "$control_b" "$work/run2/MSCOMM32.OCX"
echo "second" >"$work/run2/MSCOMM32.DEP"
run_velmora "$work/run2"
expect_outcome "Mscomm32 registration success!"
check "first OCX left in place" cmp -s "$control_a" "$system32/MSCOMM32.OCX"
check "first DEP left in place" test -f "$system32/MSCOMM32.DEP" -a ! -s "$system32/MSCOMM32.DEP"
check "first control registered again" test "$(tr -d '\r' <"$marker" 2>/dev/null)" = "$(printf 'A\nA')"
"$wineserver" -k 2>/dev/null

echo "== another fresh prefix, empty current folder"
new_prefix prefix2
mkdir "$work/run3"
run_velmora "$work/run3"
expect_outcome "Mscomm32 registration failed!"
check "no OCX copied" test ! -e "$system32/MSCOMM32.OCX"
check "no DEP copied" test ! -e "$system32/MSCOMM32.DEP"
check "nothing registered" test ! -e "$marker"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed; Velmora's output:"
    for run in run1 run2 run3; do
        echo "-- $run"
        cat "$work/$run.out" "$work/$run.err" 2>/dev/null
    done
    exit 1
fi
echo "all checks passed"
