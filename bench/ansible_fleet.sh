#!/usr/bin/env bash
# A fleet play's wall time against one host's: HOSTS inventory hosts on this machine
# (ansible_connection=local), READERS simulated readers each, FORKS forks, every reader brought
# to the example's door.json by reader_profile. Run once with replies at once and once with each
# reply delayed by DELAY_MS, the line time of the 182-byte parameter reply at 9600 baud
# (10 bits a byte: 190 ms). Prints wall, user and system seconds and the ratios.
#   bench/ansible_fleet.sh [TESSAROCTL [READER_SIM]]   (defaults: build/cli, build/sim)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tessaroctl=$(realpath "${1:-$root/build/cli/tessaroctl}")
reader_sim=$(realpath "${2:-$root/build/sim/reader-sim}")
hosts=${HOSTS:-40}
readers=${READERS:-2}
forks=${FORKS:-10}
delay=${DELAY_MS:-190}
collections=$root/contrib

work=$(mktemp -d)
sims=()
stop_sims() {
    for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    sims=()
}
trap 'stop_sims; rm -rf "$work"' EXIT
. "$root/tests/ansible/ansible-env.sh" "$tessaroctl" "$collections" "$work"
export ANSIBLE_FORKS=$forks

cat >"$work/fleet.yml" <<EOF
- hosts: fleet
  gather_facts: false
  tasks:
    - tessaro.readers.reader_profile:
        port: "{{ item }}"
        settings: "{{ (lookup('file', '$root/contrib/ansible-example/door.json') | from_json).settings }}"
      loop: "{{ tessaro_ports }}"
EOF

# fleet N DELAY: N hosts of fresh readers (at their defaults, so that every key is sent); prints
# "wall user sys" of the play.
fleet() {
    local n=$1 reply_delay=$2
    rm -rf "$work/r" && mkdir "$work/r"
    echo "[fleet]" >"$work/hosts.ini"
    for h in $(seq "$n"); do
        local ports=()
        for r in $(seq "$readers"); do
            "$reader_sim" --link "$work/r/$h-$r" --listen 127.0.0.1:0 --target 127.0.0.1:9 \
                --reply-delay "$reply_delay" >/dev/null 2>&1 &
            sims+=($!)
            ports+=("\"$work/r/$h-$r\"")
        done
        echo "host-$h ansible_connection=local tessaro_ports='[$(IFS=,; echo "${ports[*]}")]'" >>"$work/hosts.ini"
    done
    for h in $(seq "$n"); do
        for r in $(seq "$readers"); do
            for _ in $(seq 100); do [ -e "$work/r/$h-$r" ] && break; sleep 0.1; done
        done
    done
    local TIMEFORMAT='%R %U %S'
    { time ansible-playbook -i "$work/hosts.ini" "$work/fleet.yml" >"$work/out" 2>&1; } 2>"$work/time" || {
        cat "$work/out" >&2
        exit 1
    }
    if [ "$(grep -Ec '^host-[0-9]+ +: ok=1 +changed=1 +unreachable=0 +failed=0' "$work/out")" -ne "$n" ]; then
        echo "not every host changed" >&2
        cat "$work/out" >&2
        exit 1
    fi
    stop_sims
    cat "$work/time"
}

printf '%d hosts x %d readers, forks %d, %d cores\n' "$hosts" "$readers" "$forks" "$(nproc)"
printf '%-22s %10s %10s %10s %10s %8s\n' 'reply delay' '1 host s' 'fleet s' 'fleet cpu' 'ideal s' 'ratio'
for d in 0 "$delay"; do
    read -r w1 _ _ < <(fleet 1 "$d")
    read -r wn un sn < <(fleet "$hosts" "$d")
    waves=$(( (hosts + forks - 1) / forks ))
    awk -v d="$d" -v w1="$w1" -v wn="$wn" -v cpu="$(awk -v u="$un" -v s="$sn" 'BEGIN{print u+s}')" \
        -v waves="$waves" -v cores="$(nproc)" 'BEGIN {
        printf "%-22s %10.2f %10.2f %10.2f %10.2f %8.2f\n", d " ms", w1, wn, cpu, waves * w1, wn / w1
        printf "   bounds: %d waves of %d forks x one host = %.2f s; cpu / %d cores = %.2f s\n",
            waves, '"$forks"', waves * w1, cores, cpu / cores }'
done
