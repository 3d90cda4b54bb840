#!/usr/bin/env python3
"""Reads the fault list and plants one fault in a tree; used by run.sh.

  plant.py list FAULTS          one line per fault: index, name, layer, file (tab-separated)
  plant.py check FAULTS ROOT    exit 1 after naming every fault whose snippet is not in ROOT once
  plant.py plant FAULTS I ROOT  plants fault I; exit 2 when its snippet is not found exactly once
  plant.py sync SRC DST         makes DST hold SRC's files (git ls-files), rewriting only those
                                that differ, so that an incremental build redoes only those
"""
import filecmp
import os
import shutil
import subprocess
import sys

FIELDS = ("name", "layer", "file", "find", "replace")


def unescape(text):
    out, i = [], 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text):
            out.append({"n": "\n", "t": "\t", "\\": "\\"}.get(text[i + 1], "\\" + text[i + 1]))
            i += 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


def read_faults(path):
    faults, current, errors = [], {}, []
    n = 0

    def close(line_no):
        if current:
            missing = [f for f in FIELDS if f not in current]
            if missing:
                errors.append(f"{path}:{line_no}: entry {current.get('name', '?')} lacks "
                              + ", ".join(missing))
            else:
                faults.append(dict(current))
            current.clear()

    with open(path, encoding="utf-8") as f:
        for n, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line.strip():
                close(n)
                continue
            if line.startswith("#"):
                continue
            key, sep, value = line.partition(":")
            if not sep or key not in FIELDS:
                errors.append(f"{path}:{n}: expected one of {', '.join(FIELDS)}: {line}")
                continue
            value = value[1:] if value.startswith(" ") else value
            current[key] = unescape(value) if key in ("find", "replace") else value
        close(n + 1)
    names = [f["name"] for f in faults]
    for name in {x for x in names if names.count(x) > 1}:
        errors.append(f"{path}: the name {name} is used twice")
    return faults, errors


def occurrences(fault, root):
    try:
        with open(f"{root}/{fault['file']}", encoding="utf-8") as f:
            return f.read().count(fault["find"])
    except OSError:
        return -1


def sync(src, dst):
    listed = subprocess.run(["git", "-C", src, "ls-files", "-z", "--cached", "--others",
                             "--exclude-standard"], check=True, capture_output=True).stdout
    files = {f for f in listed.decode().split("\0") if f and os.path.isfile(f"{src}/{f}")}
    for rel in files:
        a, b = f"{src}/{rel}", f"{dst}/{rel}"
        if os.path.isfile(b) and filecmp.cmp(a, b, shallow=False):
            continue
        os.makedirs(os.path.dirname(b), exist_ok=True)
        shutil.copyfile(a, b)  # a fresh time stamp: ninja must rebuild what depends on it
        shutil.copymode(a, b)
    for here, dirs, names in os.walk(dst):
        if here == dst:  # the copy's own build trees stay
            dirs[:] = [d for d in dirs if not d.startswith("build")]
        for name in names:
            rel = os.path.relpath(f"{here}/{name}", dst)
            if rel not in files:
                os.remove(f"{dst}/{rel}")
    return 0


def main(argv):
    if len(argv) == 4 and argv[1] == "sync":
        return sync(argv[2], argv[3])
    faults, errors = read_faults(argv[2])
    if errors:
        print("\n".join(errors), file=sys.stderr)
        return 1
    if argv[1] == "list":
        for i, f in enumerate(faults):
            print(f"{i}\t{f['name']}\t{f['layer']}\t{f['file']}")
        return 0
    if argv[1] == "check":
        bad = 0
        for f in faults:
            n = occurrences(f, argv[3])
            if n != 1:
                bad += 1
                print(f"{f['name']}: {f['file']}: snippet found {max(n, 0)} times"
                      + (" (no such file)" if n < 0 else ""))
        return 1 if bad else 0
    if argv[1] == "plant":
        fault = faults[int(argv[3])]
        n = occurrences(fault, argv[4])
        if n != 1:
            print(f"snippet found {max(n, 0)} times in {fault['file']}"
                  + (" (no such file)" if n < 0 else ""))
            return 2
        path = f"{argv[4]}/{fault['file']}"
        with open(path, encoding="utf-8") as f:
            text = f.read()
        with open(path, "w", encoding="utf-8") as f:
            f.write(text.replace(fault["find"], fault["replace"], 1))
        return 0
    print(__doc__, file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
