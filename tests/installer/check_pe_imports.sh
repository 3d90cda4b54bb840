#!/bin/bash
# Checks that the delivered velmora.exe is a 32-bit (PE32) Windows GUI
# program that imports nothing but system DLLs, so it runs on a bare machine.
# usage: check_pe_imports.sh OBJDUMP VELMORA_EXE
set -u
objdump=$1
exe=$2

headers=$("$objdump" -p "$exe") || { echo "cannot read $exe"; exit 1; }
fail=0

grep -Eq '^Magic[[:space:]]+010b' <<<"$headers" || { echo "not PE32 (32-bit)"; fail=1; }
grep -Eq '^Subsystem[[:space:]]+00000002[[:space:]]+\(Windows GUI\)' <<<"$headers" || { echo "not a Windows GUI program"; fail=1; }

dlls=$(sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' <<<"$headers")
[ -n "$dlls" ] || { echo "no imports found"; fail=1; }
while read -r dll; do
    [ -n "$dll" ] || continue
    case "${dll,,}" in
        kernel32.dll | user32.dll | gdi32.dll | advapi32.dll | msvcrt.dll | ucrtbase.dll | api-ms-win-crt-*.dll) ;;
        *) echo "imports a non-system DLL: $dll"; fail=1 ;;
    esac
done <<<"$dlls"

grep -E '^(Magic|Subsystem)|DLL Name' <<<"$headers"
exit $fail
