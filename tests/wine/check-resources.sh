#!/usr/bin/env bash
# Reads a built Armwright.exe back: it is a GUI program that needs no DLL but the system's, and its
# resources are what we expect: every one under French (France), 1036; dialog 103, the string
# table, the icon groups and the version block as the resource compiler's own decompiler prints
# them (icon pixels left out).
# Prints "ok NAME" or "not ok NAME" per check.
#   check-resources.sh EXE
set -uo pipefail
EXE="$1"
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
WINDRES=x86_64-w64-mingw32-windres
TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT

check() {
    local name="$1"
    shift
    if "$@"; then echo "ok $name"; else echo "not ok $name"; fi
}
same() {
    diff -u "$1" "$2" >&2
}

python3 "$HERE/pe_resources.py" "$EXE" >"$TMP/list.txt"
check "resources: types, ids and languages" same "$HERE/expected-resource-list.txt" "$TMP/list.txt"
check "resources: every one under language 1036" \
    bash -c "[ -s '$TMP/list.txt' ] && ! awk '\$3 != 1036' '$TMP/list.txt' | grep -q ."

$WINDRES -i "$EXE" -O rc >"$TMP/all.rc"
grep -v '^  0x' "$TMP/all.rc" >"$TMP/resources.rc"
check "resources: decompiled dialog, strings, icon groups and version" \
    same "$HERE/expected-resources.rc" "$TMP/resources.rc"
check "resources: one language statement, French (France)" \
    bash -c "[ \"\$(grep '^LANGUAGE' '$TMP/all.rc')\" = 'LANGUAGE 12, 1' ]"

x86_64-w64-mingw32-objdump -p "$EXE" >"$TMP/headers.txt"
check "exe: GUI subsystem" grep -q '^Subsystem.*(Windows GUI)' "$TMP/headers.txt"
check "exe: only system DLLs, so it runs alone" \
    bash -c "! grep 'DLL Name:' '$TMP/headers.txt' | grep -viqE 'DLL Name: (kernel32|user32|advapi32|msvcrt)\.dll$'"
