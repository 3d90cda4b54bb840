#!/usr/bin/env bash
# Writes the seed corpora (fuzz/corpus/<harness>/) from the worked examples and a few readers'
# records laid out by hand. The files are committed; run this again only to change the seeds.
# Inputs that fuzzing found (regression-*) are kept as they are.
set -euo pipefail
cd "$(dirname "$0")/corpus"

# --- byte helpers: a byte sequence is a bash array of numbers --------------------------------

# write FILE BYTE...: the bytes, as they are, into FILE.
write() {
    local file=$1 out="" b
    shift
    for b in "$@"; do
        out+=$(printf '\\x%02x' "$((b & 0xFF))")
    done
    printf "$out" >"$file"
}

# hex "05 06": the numbers of the hexadecimal pairs, one per line.
hex() {
    local h
    for h in $1; do echo $((16#$h)); done
}

# text "abc": the bytes of the text (UTF-8), one per line.
text() {
    printf '%s' "$1" | od -An -tu1 -v | tr -s ' ' '\n' | sed '/^$/d'
}

# zeros ARRAY N
zeros() {
    local -n _zarr=$1
    _zarr=()
    for ((i = 0; i < $2; i++)); do _zarr[i]=0; done
}

# put ARRAY OFFSET BYTE...
put() {
    local -n _parr=$1
    local off=$2 b
    shift 2
    for b in "$@"; do
        _parr[off]=$((b & 0xFF))
        off=$((off + 1))
    done
}

# put32 ARRAY OFFSET VALUE: little-endian.
put32() {
    local v=$(($3 & 0xFFFFFFFF))
    put "$1" "$2" $((v & 0xFF)) $(((v >> 8) & 0xFF)) $(((v >> 16) & 0xFF)) $(((v >> 24) & 0xFF))
}

# ip32 A B C D: an address as the IP-address control holds it (first field most significant).
ip32() {
    echo $((($1 << 24) | ($2 << 16) | ($3 << 8) | $4))
}

# A serial command frame: sync, command, length (payload + 4), 8-bit sum of all the others.
serial_frame() { # serial_frame CMD PAYLOAD...
    local cmd=$1 len sum b
    shift
    len=$((($# + 4) & 0xFF))
    sum=$((0x05 + cmd + len))
    for b in "$@"; do sum=$((sum + b)); done
    echo 5 "$cmd" "$len" $((sum & 0xFF)) "$@"
}

# A datagram as a reader sends it: length = data + 4, checksum 0xFF minus the sum of that many
# bytes from offset 4 (zeros past the end).
udp_datagram() { # udp_datagram CMD DATA...
    local cmd=$1 len sum=0 i
    shift
    local data=("$@")
    len=$((($# + 4) & 0xFF))
    for ((i = 0; i < len; i++)); do sum=$((sum + ${data[i]:-0})); done
    echo 5 "$cmd" "$len" $(((0xFF - sum) & 0xFF)) "$@"
}

# --- records ----------------------------------------------------------------------------------

# The serial parameter record (176 bytes) of a reader with everyday settings.
serial_record() {
    local r
    zeros r 176
    put r 0 0 0 1 0     # output format, card input format, enter key, line feed
    put32 r 4 9600      # speed
    put r 8 8 1 2 0     # data bits, stop bits, parity, QR code output format
    put r 12 1 0 0 0    # reset interval, working mode, horn, light
    put32 r 16 2        # barcode prefix "AB"
    put r 20 $(text AB)
    put32 r 52 2        # barcode suffix CR LF: a CR LF inside the record
    put r 56 13 10
    put32 r 88 0        # no card prefix
    put32 r 124 1       # card suffix "#"
    put r 128 $(text '#')
    put32 r 160 2000    # high pulse
    put32 r 164 400     # low pulse
    put r 168 0 0 0     # output order, card number format, start bit
    echo "${r[@]}"
}

# The whole parameter reply: header (0x01 + 1), record, CR LF; the CR LF counts as payload.
param_reply() {
    serial_frame 0x02 $(serial_record) 13 10
}

# DISCOVER_DEV_T (96 bytes).
discover_dev() {
    local d
    zeros d 96
    put d 0 $(text Reader-1)
    put32 d 16 0
    put32 d 20 "$(ip32 192 168 0 100)"
    put32 d 24 "$(ip32 255 255 255 0)"
    put32 d 28 "$(ip32 192 168 0 1)"
    put32 d 32 "$(ip32 114 114 114 114)"
    put32 d 36 "$(ip32 8 8 8 8)"
    put d 40 $(text server.example.com)
    put32 d 88 80
    put32 d 92 0
    echo "${d[@]}"
}

# DEV_PARAM_T (568 bytes).
dev_param() {
    local p
    zeros p 568
    put32 p 0 1 # automatic address
    put32 p 4 "$(ip32 192 168 0 100)"
    put32 p 8 "$(ip32 255 255 255 0)"
    put32 p 12 "$(ip32 192 168 0 1)"
    put32 p 16 "$(ip32 114 114 114 114)"
    put32 p 20 "$(ip32 8 8 8 8)"
    put p 24 $(text server.example.com)
    put32 p 72 8080
    put32 p 76 1
    put32 p 208 1 # cloud block
    put32 p 212 "$(ip32 10 0 0 7)"
    put p 216 $(text 'Tür-Öffner')
    put p 248 $(text key-0001)
    put p 280 $(text 门禁-1)
    put p 312 $(text secret)
    put p 344 $(text /reader/up)
    put p 376 $(text /reader/down)
    put p 408 1 1 1 0 # output format 1 (first item), card input format 1, enter key, line feed
    put p 412 0       # barcode prefix shown as hex
    put p 413 2 26
    put p 445 1 # barcode suffix as text
    put p 446 $(text END)
    put p 478 1 2 0 1         # light, working mode, hidden switch, horn
    put32 p 482 20            # high pulse, 100 us units
    put32 p 486 4             # low pulse
    put p 490 0               # output order
    put32 p 491 115200        # speed
    put p 495 8 1 2 0 1 1 0 1 # data, stop, parity, QR, reset, card number format, start bit, card affix format
    put p 503 0               # card affixes shown as hex
    put p 504 2 26
    # The card suffix fills its whole field: no terminator.
    put p 536 $(text 0123456789ABCDEF0123456789ABCDEF)
    echo "${p[@]}"
}

# --- udp: one datagram per file ----------------------------------------------------------------
mkdir -p udp
write udp/confirm-09 $(hex "05 09 00 00")
write udp/working-mode-13 $(hex "05 13 01 FD 02")
write udp/working-mode-13-bad-checksum $(hex "05 13 01 00 02")
write udp/bad-sync $(hex "06 09 00 00")
write udp/short-3 $(hex "05 09 00")
write udp/discover-4 $(hex "05 03 00 00")
write udp/ignored-cmd-00 $(hex "05 00 00 00")
write udp/ignored-cmd-2e $(hex "05 2E 00 00")
write udp/ignored-cmd-ff $(hex "05 FF 00 00")
write udp/ignored-cmd-23 $(udp_datagram 0x23)
write udp/output-format-07 $(udp_datagram 0x07 1)
write udp/enter-line-feed-0b $(udp_datagram 0x0B 1 0)
write udp/horn-17 $(udp_datagram 0x17 1)
write udp/switch-15 $(udp_datagram 0x15 255)
write udp/barcode-prefix-0d $(udp_datagram 0x0D 2 $(text AB) $(zeros z 30 && echo "${z[@]}"))
write udp/wiegand-1d $(udp_datagram 0x1D $(hex "D0 07 00 00 90 01 00 00 00"))
write udp/serial-params-27 $(udp_datagram 0x27 $(hex "80 25 00 00 08 01 02 00"))
write udp/qr-code-2b $(udp_datagram 0x2B)
write udp/card-affix-2d $(udp_datagram 0x2D)
write udp/cmd-1b $(udp_datagram 0x1B $(zeros z 128 && echo "${z[@]}"))
v=()
zeros v 64
put v 0 $(text Reader-1)
put v 16 $(text ver_client1_1.1)
write udp/version-client $(udp_datagram 0x01 "${v[@]}")
zeros v 64
put v 16 $(text ver_common_1.0)
write udp/version-common $(udp_datagram 0x01 "${v[@]}")
write udp/discover-03 $(udp_datagram 0x03 $(discover_dev))
write udp/set-net-ack-21 $(udp_datagram 0x21 $(discover_dev))
c=()
zeros c 200
put c 8 $(text Tür-Öffner)
write udp/cloud-19 $(udp_datagram 0x19 "${c[@]}")
write udp/params-1f $(udp_datagram 0x1F $(dev_param))
# A record cut short: the rest reads as zeros.
params=($(udp_datagram 0x1F $(dev_param)))
write udp/params-1f-short "${params[@]:0:300}"
# The length byte counts only the data here, not the header as well.
write udp/version-length-data-only $(hex "05 01 00 00") "${v[@]}"

# --- serial: mode byte, cut entries, stream ----------------------------------------------------
mkdir -p serial
setting_reply=($(serial_frame 0x07 13 10))
write serial/setting-reply 0 0 "${setting_reply[@]}"
# In pieces of 2, 1, 3, with bytes after the CR LF.
write serial/setting-reply-pieces 0 3 2 1 3 "${setting_reply[@]}" $(hex "05 26")
# The CR and the LF in different events.
write serial/setting-reply-cr-lf-apart 0 2 5 1 "${setting_reply[@]}"
reply=($(param_reply))
write serial/param-reply 7 0 "${reply[@]}"
# Pieces of 48, 7 and none at all, with two bytes after the end.
write serial/param-reply-pieces 7 3 $((0x40 | 3)) 7 0 "${reply[@]}" 5 5
# No CR LF at 180; one at 200: "data length = 196".
late=("${reply[@]:0:180}")
zeros tail 20
write serial/param-reply-late-end 7 0 "${late[@]}" 1 2 "${tail[@]}" 13 10
# CR LF pairs in the record's last bytes (frame offsets 178 and 179) are record data: the ends
# are at 180 and 181.
write serial/param-reply-cr-lf-at-178 7 0 "${reply[@]:0:178}" 13 10 13 10
write serial/param-reply-cr-lf-at-179 7 0 "${reply[@]:0:179}" 13 10 13 10
# The reply mode is a setting's, but a parameter reply arrives.
write serial/param-reply-as-setting 0 0 "${reply[@]}"
# Bytes left over from before, then "Get parameter" again and the reply.
write serial/param-reply-after-reset 7 2 4 $((0x80 | 0x40 | 12)) $(hex "05 07 0D 0A") "${reply[@]}"
write serial/read-record 1 0 $(serial_frame 0x31 $(text "badge 0042") 13 10)
write serial/keep-record 2 1 3 $(serial_frame 0x33 13 10)
# More than the receive buffer holds: the CR LF arrives after it is full.
zeros long 1100
for ((i = 0; i < 1100; i++)); do long[i]=0x41; done
write serial/overflow 0 2 $((0x40 | 63)) $((0x40 | 63)) "${long[@]}" 13 10
test_pattern=()
zeros test_pattern 120
put test_pattern 0 1 2 3 4
put test_pattern 118 13 10
write serial/transmit-test-echo 0 0 "${test_pattern[@]}"

# --- affix: the text of a box ------------------------------------------------------------------
mkdir -p affix
printf '%s' '0A1B' >affix/hex-0a1b
printf '%s' 'ABC' >affix/hex-odd-abc
printf '%s' 'ABCDEFGHIJKLMNOPQRSTUVWXYZ01234' >affix/text-31
printf '%s' '0123456789abcdefABCDEF0123456789' >affix/hex-32
printf '%s' ' 1 2 3' >affix/hex-blanks
printf '%s' '0d0azz-1+2' >affix/hex-mixed
printf '%s' '' >affix/empty
printf '%s' '9600' >affix/number-9600
printf '%s' '115200 baud' >affix/number-text
printf '%s' '-2147483649' >affix/number-below-range
printf '%s' 'Größenmaß-Überprüfung-中文字符' >affix/utf8-long
printf '%s' 'ABCDEFGHIJKLMNOPQRSTUVWXYZ0😀' >affix/utf8-cut-in-emoji

# --- sim: cut entries (bit 4 of the first byte: confirm over UDP too), stream ------------------
mkdir -p sim
write sim/output-format 0 $(hex "05 06 05 12 02")
write sim/wiegand-udp-confirm 16 $(hex "05 1C 0D 96 D0 07 00 00 90 01 00 00 00")
write sim/get-param 0 $(hex "05 01 04 0A")
write sim/serial-params 0 $(hex "05 26 0C E7 80 25 00 00 08 01 02 00")
write sim/card-affix 16 $(serial_frame 0x2C 1 2 $(text AB) 0)
write sim/barcode-prefix 0 $(serial_frame 0x0C 2 $(hex "0A 1B"))
write sim/bad-checksum 0 $(hex "05 06 05 00 02")
write sim/length-below-header 0 $(hex "05 06 02 00") $(text ok) 13 10
write sim/text-line 0 $(text hello) 13 10
write sim/sync-only 0 5
chunk=()
zeros chunk 160
put chunk 0 $(text "line one") 13 10 $(text "line two")
write sim/records 0 $(serial_frame 0x32 "${chunk[@]}") $(hex "05 2E 04 37 05 30 04 39")
write sim/cloud 16 $(serial_frame 0x18 "${c[@]}")
# Several frames in pieces of 1, 2 and 5 bytes.
write sim/frames-in-pieces 3 1 2 5 $(hex "05 06 05 12 02 05 01 04 0A") $(text hi) 13 10
# Half a frame, the line starts afresh, then a whole one.
write sim/reset-mid-frame 2 3 $((0x80 | 5)) $(hex "05 26 0C") $(hex "05 06 05 12 02")
# Text that never ends: dropped once it passes the longest line kept.
zeros long 4200
for ((i = 0; i < 4200; i++)); do long[i]=0x41; done
write sim/text-without-end 1 $((0x40 | 63)) "${long[@]}"

# --- profile: profile files and KEY=VALUE lines, as users write them ---------------------------
mkdir -p profile
cp ../../docs/example-profile.json profile/full
printf '%s' '{"tessaro_profile": 1, "settings": {"horn": "open", "baud_rate": 115200}}' >profile/subset
printf '%s' '{"tessaro_profile": 2, "settings": {}}' >profile/newer-version
printf '%s' '{"tessaro_profile": 1, "settings": {"hron": "Open"}}' >profile/unknown-key
printf '%s' '{"tessaro_profile": 1, "settings": {"parity": "MARK"}}' >profile/not-an-item
printf '%s' '{"tessaro_profile": 1, "settings": {"barcode_prefix": {"hex": "0d0"}}}' >profile/odd-hex
printf '%s' '{"tessaro_profile": 1, "settings": {"wiegand_low_pulse_us": 2.5}}' >profile/not-an-integer
printf '%s' '{"tessaro_profile": 1, "settings": {"horn": "Open"' >profile/cut-short
printf '%s' 'barcode_prefix=text:QR:' >profile/setting-text-affix
printf '%s' 'barcode_suffix=hex:0d0a' >profile/setting-hex-affix
printf '%s' 'baud_rate=9600' >profile/setting-number
