#!/usr/bin/env bash
# The discover inventory plugin against two simulated readers announcing on loopback.
#   inventory_e2e.sh TESSAROCTL READER_SIM COLLECTIONS_DIR
set -euo pipefail
work=$(mktemp -d)
sim=
trap '[ -n "$sim" ] && kill "$sim" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
. "$(dirname "$0")/ansible-env.sh" "$1" "$3" "$work"

# Readers announce only at start and when asked to repeat: every second here, so that the
# plugin's three seconds of listening hear both.
# Other simulators on this machine may announce too: ours have a name of their own.
name=Inv$$
"$2" --readers 2 --name "$name" --listen 127.0.0.1:0 --announce-every 1 >"$work/sim.log" 2>&1 &
sim=$!
cat >"$work/readers.tessaro.yml" <<'EOF2'
plugin: tessaro.readers.discover
seconds: 3
compose:
  ansible_connection: "'local'"
EOF2
ansible-inventory -i "$work/readers.tessaro.yml" --list >"$work/out"
/usr/bin/python3 - "$work/out" "$name" <<'EOF2'
import json, sys
inventory = json.load(open(sys.argv[1]))
first, second = sys.argv[2], sys.argv[2] + '-2'
hosts = inventory['_meta']['hostvars']
assert {first, second} <= set(inventory['tessaro_readers']['hosts']), inventory
assert hosts[first]['tessaro_device'] == first
assert hosts[first]['tessaro_address'] == '127.0.0.1'
assert hosts[first]['tessaro_network']['ip'] == '192.168.0.100'
assert hosts[second]['tessaro_network']['ip'] == '192.168.0.101'
assert hosts[second]['ansible_connection'] == 'local'
print('inventory_e2e: passed')
EOF2
