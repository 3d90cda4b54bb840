#!/usr/bin/env python3
"""Reads a pcapng capture with tshark and the Tessaro dissector, and holds it against the frame
log written beside it: every packet decodes, names and checksum statuses agree with the log, and
only hostile packets are malformed (each marked). With --get-json, the fields of the parameter
reply equal what `tessaroctl get --json` printed.

check_capture.py --lua tessaro.lua --pcap CAP --log LOG [--hostile FILE] [--get-json FILE]
"""
import argparse
import json
import re
import subprocess
import sys

LINE = re.compile(r"^\d+\.\d{3} \| (tx|rx) \| (serial|udp)(?: (.*?))? \| (.*) \| (.*) \|((?: [0-9A-F]{2})*)$")

# Expert groups and severities as tshark prints them.
MALFORMED = 0x07000000
SEVERITY_WARN = 0x00600000

FIELDS = ["frame.number", "frame.protocols", "tessaro.channel", "tessaro.cmd_name",
          "tessaro.checksum.status", "tessaro.length", "_ws.malformed", "_ws.expert.group",
          "_ws.expert.severity", "_ws.expert.message", "frame.cap_len", "ip.src", "udp.srcport",
          "ip.dst", "udp.dstport", "ip.checksum.status"]

RECORD_KEYS = ["output_format", "card_input_format", "enter", "line_feed", "baud_rate",
               "data_bits", "stop_bits", "parity", "qr_output_format", "reset_interval",
               "working_mode", "horn", "light", "wiegand_high_pulse_us", "wiegand_low_pulse_us",
               "wiegand_output_order", "card_number_format", "start_bit"]
AFFIX_KEYS = ["barcode_prefix", "barcode_suffix", "card_prefix", "card_suffix"]

failures = []


def fail(text):
    failures.append(text)


def tshark(lua, pcap, fields, udp_port=None):
    command = ["tshark", "-r", pcap, "-X", "lua_script:" + lua, "-o", "ip.check_checksum:TRUE",
               "-T", "fields",
               "-E", "separator=\t", "-E", "occurrence=a", "-E", "aggregator=|"]
    for f in fields:
        command += ["-e", f]
    if udp_port:
        # A test's own port, not 24583: decoded as Tessaro's as a user would with "Decode As".
        command += ["-d", "udp.port==%s,tessaro" % udp_port]
    run = subprocess.run(command, capture_output=True, text=True, errors="replace")
    # tshark warns when run as root (containers, CI); anything else on stderr is a failure.
    errors = [line for line in run.stderr.splitlines()
              if line.strip() and not line.startswith("Running as user \"root\"")]
    if run.returncode != 0 or errors:
        fail("tshark: exit %d: %s" % (run.returncode, "\n".join(errors)))
    rows = []
    for line in run.stdout.splitlines():
        values = line.split("\t")
        rows.append(dict(zip(fields, values + [""] * (len(fields) - len(values)))))
    return rows


def log_entries(path):
    entries = []
    with open(path, encoding="latin-1") as f:
        for line in f:
            m = LINE.match(line.rstrip("\n"))
            if m:
                entries.append({"dir": m.group(1), "channel": m.group(2), "name": m.group(4),
                                "mark": m.group(5), "bytes": bytes.fromhex(m.group(6))})
    return entries


def expected_status(entry):
    """The checksum status the dissector must show for what the log marked."""
    b = entry["bytes"]
    if len(b) < 4 or b[0] != 0x05:
        return ""
    if entry["channel"] == "serial":
        # Frames Tessaro sends are built by its encoder; a reader's replies have no rule.
        return "good" if entry["dir"] == "tx" else "not checked"
    if entry["mark"] == "bad checksum":
        return "bad"
    if entry["mark"] == "ok":
        return "not checked" if b[2] == 0 else "good"
    return "?"


def ints(text):
    return [int(v, 0) for v in text.split("|") if v]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--lua", required=True)
    parser.add_argument("--pcap", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--hostile", help="one line per frame of the log: 1 hostile, 0 not")
    parser.add_argument("--get-json")
    parser.add_argument("--field", action="append", default=[],
                        help="NAME=VALUE that some packet must show")
    parser.add_argument("--comment", help="a pattern the capture's comment must match")
    parser.add_argument("--udp-ends", help="READER_ADDR:PORT,LOCAL_ADDR:PORT of every datagram")
    args = parser.parse_args()

    entries = log_entries(args.log)
    hostile = [False] * len(entries)
    if args.hostile:
        with open(args.hostile) as f:
            hostile = [line.strip() == "1" for line in f if line.strip()]
    local_port = args.udp_ends.split(",")[1].split(":")[1] if args.udp_ends else None
    packets = tshark(args.lua, args.pcap, FIELDS, local_port)
    if len(packets) != len(entries) or len(hostile) != len(entries):
        fail("%d packets, %d log entries, %d hostility marks" %
             (len(packets), len(entries), len(hostile)))
    malformed_hostile = 0
    for i, (p, e, h) in enumerate(zip(packets, entries, hostile)):
        where = "packet %s (%s %s %s)" % (p["frame.number"], e["dir"], e["name"],
                                          e["bytes"][:8].hex(" "))
        if "tessaro" not in p["frame.protocols"].split(":"):
            fail(where + ": not decoded: " + p["frame.protocols"])
        if p["tessaro.channel"] != e["channel"]:
            fail(where + ": channel " + p["tessaro.channel"])
        name = p["tessaro.cmd_name"] or "-"
        if name != e["name"]:
            fail(where + ": name %r, the log says %r" % (name, e["name"]))
        status = p["tessaro.checksum.status"]
        if status != expected_status(e):
            fail(where + ": checksum %r, the log marks %r" % (status, e["mark"]))
        length = int(p["frame.cap_len"]) - (28 if e["channel"] == "udp" else 0)
        if length != len(e["bytes"]):
            fail(where + ": %d bytes, the log has %d" % (length, len(e["bytes"])))
        if e["channel"] == "udp" and args.udp_ends:
            reader, local = args.udp_ends.split(",")
            ends = (p["ip.src"] + ":" + p["udp.srcport"], p["ip.dst"] + ":" + p["udp.dstport"])
            if ends != ((reader, local) if e["dir"] == "rx" else (local, reader)):
                fail(where + ": %s to %s" % ends)
            if p["ip.checksum.status"] != "1":
                fail(where + ": IPv4 header checksum status " + p["ip.checksum.status"])
        messages = p["_ws.expert.message"]
        if "Lua Error" in messages:
            fail(where + ": " + messages)
        malformed = bool(p["_ws.malformed"]) or MALFORMED in ints(p["_ws.expert.group"])
        marked = any(s >= SEVERITY_WARN for s in ints(p["_ws.expert.severity"]))
        if malformed and not h:
            fail(where + ": malformed: " + messages)
        if h and not marked:
            fail(where + ": hostile, not marked")
        if h and malformed:
            malformed_hostile += 1
        if not h and marked:
            fail(where + ": marked: " + messages)

    for want in args.field:
        name, value = want.split("=", 1)
        rows = tshark(args.lua, args.pcap, [name], local_port)
        if not any(value in r[name].split("|") for r in rows):
            fail("no packet shows %s" % want)

    if args.comment:
        info = subprocess.run(["capinfos", args.pcap], capture_output=True, text=True).stdout
        comments = [line.split(":", 1)[1].strip() for line in info.splitlines()
                    if line.startswith("Capture comment:")]
        if not any(re.fullmatch(args.comment, c) for c in comments):
            fail("capture comment %r does not match %r" % (comments, args.comment))

    if args.get_json:
        with open(args.get_json) as f:
            settings = json.load(f)["profile"]["settings"]
        fields = ["tessaro." + k for k in RECORD_KEYS + AFFIX_KEYS]
        rows = [r for r in tshark(args.lua, args.pcap, ["tessaro.cmd_name"] + fields)
                if r["tessaro.cmd_name"] == "Parameter record"]
        if len(rows) != 1:
            fail("%d parameter replies in the capture of get" % len(rows))
        else:
            row = rows[0]
            for key in RECORD_KEYS:
                value = settings[key]
                shown = row["tessaro." + key]
                if (str(value) if isinstance(value, int) else value) != shown:
                    fail("%s: tshark %r, tessaroctl get %r" % (key, shown, value))
            for key in AFFIX_KEYS:
                value = settings[key]
                want = (bytes.fromhex(value["hex"]) if "hex" in value
                        else value["text"].encode("utf-8"))
                got = bytes.fromhex(row["tessaro." + key].replace(":", ""))
                if got != want:
                    fail("%s: tshark %r, tessaroctl get %r" % (key, got, value))
            print("record fields: %d keys equal" % (len(RECORD_KEYS) + len(AFFIX_KEYS)))

    print("%d packets, %d hostile (%d malformed)" % (len(packets), sum(hostile), malformed_hostile))
    for f in failures[:40]:
        print("FAIL " + f)
    if len(failures) > 40:
        print("... %d more" % (len(failures) - 40))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
