#!/usr/bin/env bash
# Reads a built Armwright.exe back: it is a GUI program that needs no DLL but the system's and
# imports nothing that Windows Vista lacks, and its resources are what we expect: every one under
# French (France), 1036; dialog 103, the string table, the icon groups and the version block as
# the resource compiler's own decompiler prints them (icon pixels left out), and the manifest
# byte for byte as the build wrote it, with the version block's version as its assembly's.
#   check-resources.sh EXE MANIFEST
set -uo pipefail
EXE="$1"
MANIFEST="$2"
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$HERE/lib.sh"
WINDRES=x86_64-w64-mingw32-windres
TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT

same() {
    diff -u "$1" "$2" >&2
}

python3 "$HERE/pe_resources.py" "$EXE" >"$TMP/list.txt"
check "resources: types, ids and languages" same "$HERE/expected-resource-list.txt" "$TMP/list.txt"
check "resources: every one under language 1036" \
    bash -c "[ -s '$TMP/list.txt' ] && ! awk '\$3 != 1036' '$TMP/list.txt' | grep -q ."

# The manifest is compared whole below, not as the decompiler prints it.
$WINDRES -i "$EXE" -O rc >"$TMP/all.rc"
grep -v '^  0x' "$TMP/all.rc" | awk '/^\/\* Type: 24/ { exit } { print }' |
    sed -e :a -e '/^\n*$/{$d;N;ba' -e '}' >"$TMP/resources.rc"
check "resources: decompiled dialog, strings, icon groups and version" \
    same "$HERE/expected-resources.rc" "$TMP/resources.rc"
check "resources: one language statement, French (France)" \
    bash -c "[ \"\$(grep '^LANGUAGE' '$TMP/all.rc')\" = 'LANGUAGE 12, 1' ]"
python3 "$HERE/pe_resources.py" "$EXE" 24 1 >"$TMP/manifest.xml"
check "manifest: the one the build wrote, byte for byte" same "$MANIFEST" "$TMP/manifest.xml"
# Both are written from the project's version; Windows refuses to start a program whose manifest
# has a version it cannot read.
assembly_version() {
    local version
    version="$(sed -nE 's/^ FILEVERSION ([0-9]+), ([0-9]+), ([0-9]+), ([0-9]+)$/\1.\2.\3.\4/p' "$TMP/all.rc")"
    [ -n "$version" ] &&
        grep -qF "<assemblyIdentity type=\"win32\" name=\"Armwright\" version=\"$version\"" "$TMP/manifest.xml"
}
check "manifest: the assembly's version is the version block's" assembly_version
check "manifest: well-formed XML" python3 -c 'import sys, xml.dom.minidom; xml.dom.minidom.parse(sys.argv[1])' \
    "$TMP/manifest.xml"

x86_64-w64-mingw32-objdump -p "$EXE" >"$TMP/headers.txt"
check "exe: GUI subsystem" grep -q '^Subsystem.*(Windows GUI)' "$TMP/headers.txt"
check "exe: only system DLLs, so it runs alone" \
    bash -c "! grep 'DLL Name:' '$TMP/headers.txt' | grep -viqE 'DLL Name: (kernel32|user32|advapi32|msvcrt)\.dll$'"
# Each function of the system's DLLs that the loader must find, all of them in Windows Vista; a
# newer one is looked up at run time, or the program would not start on Windows 7.
awk '/^\tDLL Name: / { dll = toupper($3); next } /^$/ { dll = "" }
     dll && dll != "MSVCRT.DLL" && /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ { print dll, $3 }' \
    "$TMP/headers.txt" | sort >"$TMP/imports.txt"
check "exe: imports from the system's DLLs as listed" same "$HERE/expected-imports.txt" "$TMP/imports.txt"
finish
