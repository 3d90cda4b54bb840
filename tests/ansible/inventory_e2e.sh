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
"$2" --readers 2 --name Lobby --listen 127.0.0.1:0 --announce-every 1 >"$work/sim.log" 2>&1 &
sim=$!
cat >"$work/readers.tessaro.yml" <<'EOF2'
plugin: tessaro.readers.discover
seconds: 3
compose:
  ansible_connection: "'local'"
EOF2
ansible-inventory -i "$work/readers.tessaro.yml" --list >"$work/out"
/usr/bin/python3 - "$work/out" <<'EOF2'
import json, sys
inventory = json.load(open(sys.argv[1]))
hosts = inventory['_meta']['hostvars']
assert sorted(inventory['tessaro_readers']['hosts']) == ['Lobby', 'Lobby-2'], inventory
assert hosts['Lobby']['tessaro_device'] == 'Lobby'
assert hosts['Lobby']['tessaro_address'] == '127.0.0.1'
assert hosts['Lobby']['tessaro_network']['ip'] == '192.168.0.100'
assert hosts['Lobby-2']['tessaro_network']['ip'] == '192.168.0.101'
assert hosts['Lobby-2']['ansible_connection'] == 'local'
print('inventory_e2e: passed')
EOF2
