#!/usr/bin/env bash
# The collection's example playbook run by ansible-playbook against reader-sim over
# pseudo-terminals: check mode sends no setting, the first run changes, the second does not, and
# a mute reader or one that keeps its old value fails its own host only.
#   playbook_e2e.sh TESSAROCTL READER_SIM COLLECTIONS_DIR
set -euo pipefail
tessaroctl=$1
reader_sim=$2
collections=$3
examples=$collections/ansible-example

work=$(mktemp -d)
sims=()
cleanup() {
    for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

. "$(dirname "$0")/ansible-env.sh" "$tessaroctl" "$collections" "$work"

# start_sim NAME [FAULT OPTIONS]: a reader at $work/NAME, its log in $work/NAME.log.
start_sim() {
    local name=$1
    shift
    "$reader_sim" --link "$work/$name" --listen 127.0.0.1:0 --target 127.0.0.1:9 "$@" \
        >"$work/$name.log" 2>&1 &
    sims+=($!)
}
start_sim a1
start_sim a2
start_sim b1
start_sim mute --stop-after 0
start_sim stale --stale 0x16
start_sim strict --strict-baud
for name in a1 a2 b1 mute stale strict; do
    for _ in $(seq 100); do [ -e "$work/$name" ] && break; sleep 0.1; done
    [ -e "$work/$name" ] || { echo "reader-sim $name did not start" >&2; cat "$work/$name.log" >&2; exit 1; }
done

# Batches of two (serial: 2), each with one good host, so a failed host never exceeds the
# play's max_fail_percentage and every host runs.
cat >"$work/hosts.ini" <<EOF
[readers]
site-a ansible_connection=local tessaro_ports='["$work/a1", "$work/a2"]'
site-mute ansible_connection=local tessaro_ports='["$work/mute"]'
site-b ansible_connection=local tessaro_ports='["$work/b1"]'
site-stale ansible_connection=local tessaro_ports='["$work/stale"]'
EOF

fail() {
    echo "FAILED: $1" >&2
    [ -f "$work/out" ] && cat "$work/out" >&2
    exit 1
}
# play [ARGS]: runs the example playbook; its output in $work/out, its exit code in $rc.
play() {
    rc=0
    ansible-playbook -i "$work/hosts.ini" "$examples/door.yml" "$@" >"$work/out" 2>&1 || rc=$?
}
recap() {  # recap HOST 'ok=1 *changed=1 ... failed=0'
    grep -Eq "^$1 +: $2" "$work/out" || fail "recap of $1 is not '$2'"
}
# Every frame a reader received was the parameter query (05 01 04 0A).
only_queries() {
    local name=$1
    grep -q 'serial rx .* 05 01 04 0A$' "$work/$name.log" || fail "$name was not read"
    if grep 'serial rx' "$work/$name.log" | grep -qv ' 05 01 04 0A$'; then
        fail "$name received a setting in check mode: $(grep 'serial rx' "$work/$name.log")"
    fi
}

echo "== check mode with diff: what would change, and nothing sent"
play --check --diff --limit site-a,site-b
[ "$rc" -eq 0 ] || fail "check run exit code $rc"
recap site-a 'ok=1 +changed=1 +unreachable=0 +failed=0'
recap site-b 'ok=1 +changed=1 +unreachable=0 +failed=0'
grep -q -- '-    "horn": "Close",' "$work/out" || fail "diff lacks the reader's horn"
grep -q -- '+    "horn": "Open",' "$work/out" || fail "diff lacks the profile's horn"
grep -q -- '+    "light": "turn on"' "$work/out" || fail "diff lacks light"
if grep -q '"enter"' "$work/out"; then fail "diff shows enter, which does not differ"; fi
for name in a1 a2 b1; do only_queries "$name"; done

echo "== first run: changed; the mute and the stale reader fail their own hosts"
play
[ "$rc" -eq 2 ] || fail "first run exit code $rc, 2 expected (hosts failed)"
recap site-a 'ok=1 +changed=1 +unreachable=0 +failed=0'
recap site-b 'ok=1 +changed=1 +unreachable=0 +failed=0'
recap site-mute 'ok=0 +changed=0 +unreachable=0 +failed=1'
recap site-stale 'ok=0 +changed=0 +unreachable=0 +failed=1'
grep -q "$work/mute: reading the reader's parameters: no reply\|$work/mute: .*did not reply" "$work/out" ||
    fail "the mute reader's failure does not say it did not reply"
grep -q "$work/stale: not verified: horn (mismatch)" "$work/out" ||
    fail "the stale reader's failure does not name horn"
grep -q 'serial: setting 0x16 applied' "$work/a1.log" || fail "a1 was not sent horn"

echo "== second run: nothing to change"
play --limit site-a,site-b
[ "$rc" -eq 0 ] || fail "second run exit code $rc"
recap site-a 'ok=1 +changed=0 +unreachable=0 +failed=0'
recap site-b 'ok=1 +changed=0 +unreachable=0 +failed=0'

echo "== reader_info reads and changes nothing"
ansible -i "$work/hosts.ini" site-b -m tessaro.readers.reader_info -a "port=$work/b1" >"$work/out" 2>&1 ||
    fail "reader_info failed"
grep -q '"horn": "Open"' "$work/out" || fail "reader_info does not show the horn as set"
grep -q '"changed": false' "$work/out" || fail "reader_info reports a change"

echo "== a speed change ends where the reader answers; baud=auto finds it there"
ansible -i "$work/hosts.ini" site-b -m tessaro.readers.reader_profile \
    -a "{\"port\": \"$work/strict\", \"settings\": {\"baud_rate\": 19200}}" >"$work/out" 2>&1 ||
    fail "the speed change failed"
grep -q '"changed": true' "$work/out" || fail "the speed change is not a change"
grep -A1 '"answers_at"' "$work/out" | grep -q '"baud_rate": 19200' ||
    fail "answers_at does not name 19200"
ansible -i "$work/hosts.ini" site-b -m tessaro.readers.reader_info -a "port=$work/strict baud=auto" \
    >"$work/out" 2>&1 || fail "reader_info with baud=auto failed"
grep -A1 '"answers_at"' "$work/out" | grep -q '"baud_rate": 19200' ||
    fail "baud=auto did not find the reader at 19200"

echo "playbook_e2e: passed"
