#!/usr/bin/env bash
# tessaroctl --pcap against reader-sim, read back by tshark with the dissector: a full profile
# apply, a records run, and a get whose record fields must equal its JSON.
#   cli_capture_test.sh TESSAROCTL READER_SIM LUA CHECKER PROFILE
set -euo pipefail
ctl=$1 sim=$2 lua=$3 checker=$4 profile=$5

dir=$(mktemp -d)
sim_pid=
cleanup() {
    [ -n "$sim_pid" ] && kill -INT "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    rm -rf "$dir"
}
trap cleanup EXIT

# Announcements go to the discard port, commands are taken on a free one: loopback only.
"$sim" --link "$dir/reader" --listen 127.0.0.1:0 --target 127.0.0.1:9 >"$dir/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do
    [ -e "$dir/reader" ] && break
    sleep 0.1
done
[ -e "$dir/reader" ] || { echo "reader-sim did not start"; cat "$dir/sim.log"; exit 1; }

port=$dir/reader
status=0
check() {
    echo "== $1"
    shift
    python3 "$checker" --lua "$lua" "$@" || status=1
}

"$ctl" apply --port "$port" --all --trace "$dir/apply.txt" --pcap "$dir/apply.pcapng" "$profile" \
    >/dev/null
check "apply" --pcap "$dir/apply.pcapng" --log "$dir/apply.txt"

printf 'first record\r\nsecond line\n' >"$dir/record.txt"
"$ctl" records --port "$port" --trace "$dir/keep.txt" --pcap "$dir/keep.pcapng" keep "$dir/record.txt" >/dev/null
"$ctl" records --port "$port" --trace "$dir/total.txt" --pcap "$dir/total.pcapng" total >/dev/null
"$ctl" records --port "$port" --trace "$dir/read.txt" --pcap "$dir/read.pcapng" read >/dev/null
for run in keep total read; do
    check "records $run" --pcap "$dir/$run.pcapng" --log "$dir/$run.txt"
done

"$ctl" get --port "$port" --json --trace "$dir/get.txt" --pcap "$dir/get.pcapng" >"$dir/get.json"
check "get" --pcap "$dir/get.pcapng" --log "$dir/get.txt" --get-json "$dir/get.json" \
    --comment "Tessaro .*; $port at 9600,n,8,1"

# A capture that cannot be written is refused before anything is sent.
if "$ctl" get --port "$port" --pcap "$dir/missing/get.pcapng" >/dev/null 2>&1; then
    echo "FAIL get with an unwritable --pcap succeeded"
    status=1
fi
exit $status
