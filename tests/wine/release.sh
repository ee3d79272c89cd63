#!/usr/bin/env bash
# The Windows release as a modder gets it. scripts/release.sh runs on a copy of this tree; its zip
# must hold exactly the release's files, and its example.bat, unzipped into a folder whose name
# has blanks, parentheses and a non-ASCII letter and run by Wine's cmd from another folder, must
# leave the expected backup and MeInit. A second copy, in another folder and built later, must
# give the same zip. Prints "ok NAME" or "not ok NAME" per check; fails when one failed.
#   release.sh DRIVER_EXE
# Runs in the Wine session that ARMWRIGHT_WINE_SESSION names, or in one of its own.
set -uo pipefail

DRIVER="$(realpath "$1")"
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$HERE/../.." && pwd)"
EXPECTED="$ROOT/tests/data/e2e"
BACKUP="Meinit backup before Payload Vanmoor.xml"
source "$HERE/lib.sh"

# Wine takes the file names a program is given from the locale.
export LC_ALL=C.UTF-8
WORK="$(mktemp -d /tmp/armwright-release.XXXXXX)"
wine_session "$WORK"

# Both copies are taken now, so that edits made to the tree meanwhile reach neither.
for copy in first second-copy; do
    mkdir -p "$WORK/$copy/build/deps"
    tar -C "$ROOT" --exclude=./build --exclude=./dist -cf - . | tar -C "$WORK/$copy" -xf -
    [ ! -d "$ROOT/build/deps/src" ] || cp -a "$ROOT/build/deps/src" "$WORK/$copy/build/deps/"
done
release() {  # COPY [BUILD_FOLDER]
    "$1/scripts/release.sh" "${@:2}" >"$1.log" 2>&1 || { tail -n 20 "$1.log" >&2; return 1; }
}

check "release: builds" release "$WORK/first"
ZIP="$(ls "$WORK"/first/dist/Armwright-*-win64.zip 2>/dev/null)"
zip_names() {
    python3 -c 'import sys, zipfile; print(*zipfile.ZipFile(sys.argv[1]).namelist())' "$ZIP"
}
NAMES="Armwright.exe LICENSE.txt README.txt THIRD-PARTY-NOTICES.txt example.bat examples/Filename1.xml
examples/Filename2.xml examples/Filename3.xml examples/MeInit.xml"
check "release: the zip holds exactly its files" [ "$(zip_names)" = "$(echo $NAMES)" ]
sums_match() { (cd "$(dirname "$ZIP")" && sha256sum --quiet -c SHA256SUMS); }
check "release: SHA256SUMS gives the zip's sum" sums_match

DEST="$WORK/Mes outils (x86)/Armwright é"
mkdir -p "$DEST" "$WORK/cwd"
python3 -m zipfile -e "$ZIP" "$DEST"
texts_crlf() {
    local f
    for f in README.txt example.bat LICENSE.txt THIRD-PARTY-NOTICES.txt \
        examples/{MeInit,Filename1,Filename2,Filename3}.xml; do
        crlf_only "$DEST/$f" || { echo "  $f has other line ends" >&2; return 1; }
    done
}
check "release: its text files have CR LF line ends" texts_crlf

# cmd.exe expands the variable, which Wine hands over from this environment as Unicode, so that
# the folder's name needs no code page on the way; the driver closes the message box of the
# Armwright.exe that the batch file starts.
printf 'cmd.exe /c ""%%ARMWRIGHT_BAT%%""' >"$WORK/line"
(cd "$WORK/cwd" && ARMWRIGHT_BAT="$(winpath "$DEST/example.bat")" \
    wine "$DRIVER" button "$(winpath "$WORK/line")") >"$WORK/records" 2>/dev/null
check "example.bat: the success message only" \
    [ "$(grep -v '^# ' "$WORK/records")" = "Armwright: information: Operation successfull !" ]
meinit_expected() {
    crlf_only "$DEST/examples/MeInit.xml" &&
        lf_copy_equals "$DEST/examples/MeInit.xml" "$EXPECTED/example-expected.xml"
}
check "example.bat: MeInit rewritten as expected, with CR LF" meinit_expected
check "example.bat: backup beside the .exe as expected" \
    lf_copy_equals "$DEST/$BACKUP" "$EXPECTED/example-backup.xml"

SECOND="$WORK/second-copy/dist/${ZIP##*/}"
same_zip() { release "$WORK/second-copy" "$WORK/elsewhere/build" && cmp -s "$ZIP" "$SECOND"; }
check "release: a second build elsewhere gives the same zip" same_zip
echo "# sha256 $(sha256sum "$ZIP" | cut -d' ' -f1) and $(sha256sum "$SECOND" 2>/dev/null | cut -d' ' -f1)"
finish
