#!/usr/bin/env bash
# reader_network run by ansible-playbook against reader-sim on loopback: check mode sends nothing
# and shows the address that would change, the run moves the reader and proves it where it is
# heard again, a second run changes nothing.
#   network_e2e.sh TESSAROCTL READER_SIM COLLECTIONS_DIR
set -euo pipefail
tessaroctl=$1
reader_sim=$2
collections=$3

work=$(mktemp -d)
sim=
cleanup() {
    [ -n "$sim" ] && kill "$sim" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
. "$(dirname "$0")/ansible-env.sh" "$tessaroctl" "$collections" "$work"

cat >"$work/reader.json" <<'EOF'
{"name": "Lobby", "network": {"ip": "127.0.0.2", "subnetMask": "255.0.0.0", "gateway": "0.0.0.0"}}
EOF
# Announcing every second, so that each listening tessaroctl hears it.
"$reader_sim" --own-address --config "$work/reader.json" --announce-every 1 >"$work/sim.log" 2>&1 &
sim=$!

cat >"$work/hosts.ini" <<'EOF'
[lan]
site-a ansible_connection=local
EOF
cat >"$work/move.yml" <<'EOF'
- hosts: lan
  gather_facts: false
  tasks:
    - name: Move the lobby reader
      tessaro.readers.reader_network:
        device: Lobby
        seconds: 3
        settings:
          network_mode: Fixed IP
          ip: 127.0.0.3
          mask: 255.0.0.0
          gateway: 0.0.0.0
      register: moved
    - name: Where it is heard now
      ansible.builtin.debug:
        msg: "heard at {{ moved.address }}"
EOF

fail() {
    echo "FAILED: $1" >&2
    cat "$work/out" >&2
    exit 1
}
play() {
    rc=0
    ansible-playbook -i "$work/hosts.ini" "$work/move.yml" "$@" >"$work/out" 2>&1 || rc=$?
}

play --check --diff
[ "$rc" -eq 0 ] || fail "check run exit code $rc"
grep -Eq '^site-a +: ok=2 +changed=1 ' "$work/out" || fail "check run does not report the change"
grep -q -- '-    "ip": "127.0.0.2"' "$work/out" || fail "diff lacks the old address"
grep -q -- '+    "ip": "127.0.0.3"' "$work/out" || fail "diff lacks the new address"
if grep -q 'udp rx' "$work/sim.log"; then fail "check mode sent the network command"; fi

play
[ "$rc" -eq 0 ] || fail "run exit code $rc"
grep -Eq '^site-a +: ok=2 +changed=1 +unreachable=0 +failed=0' "$work/out" || fail "run did not change"
grep -q 'heard at 127.0.0.3' "$work/out" || fail "the reader is not heard at its new address"

play
[ "$rc" -eq 0 ] || fail "second run exit code $rc"
grep -Eq '^site-a +: ok=2 +changed=0 +unreachable=0 +failed=0' "$work/out" || fail "second run changed"
echo "network_e2e: passed"
