#!/usr/bin/env bash
# End-to-end scenarios of Armwright.exe under Wine: each run of the .exe is recorded by driver.exe
# and must match what the POSIX build records for the same command line, and the files left on
# disk are checked. Prints "ok NAME" or "not ok NAME" per check.
#   run.sh EXE DRIVER_EXE NATIVE_BINARY
# Runs itself under Xvfb when no display is set.
set -uo pipefail

EXE="$(realpath "$1")"
DRIVER="$(realpath "$2")"
NATIVE="$(realpath "$3")"
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$HERE/../.." && pwd)"
EXAMPLES="$ROOT/examples"
EXPECTED_XML="$ROOT/tests/data/e2e/example-expected.xml"
BACKUP="Meinit backup before Payload Vanmoor.xml"

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi

WORK="$(mktemp -d /tmp/armwright-wine.XXXXXX)"
export WINEPREFIX="$WORK/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
    wineserver -k >/dev/null 2>&1
    rm -rf "$WORK"
}
trap cleanup EXIT
wineboot -i >/dev/null 2>&1
wineserver -w

winpath() { printf 'Z:%s' "${1//\//\\}"; }
# Replaces FOLDER's Windows path (with its trailing backslash) by "<folder>\" in a record file.
normalise() { perl -pe 'BEGIN { $f = shift } s/\Q$f\E/<folder>\\/g' "$(winpath "$1")\\" "$2"; }

check() {  # NAME COMMAND...: one line of result per check
    local name="$1"
    shift
    if "$@"; then echo "ok $name"; else echo "not ok $name"; fi
}

same_file() {
    if cmp -s "$1" "$2"; then return 0; fi
    echo "  $1 and $2 differ:" >&2
    diff "$1" "$2" | head -20 >&2
    return 1
}

# A scenario folder with the .exe, the POSIX binary and the example files in separate copies.
new_scenario() {
    S="$WORK/$1"
    mkdir -p "$S/w" "$S/n" "$S/cwd"
    cp "$EXE" "$S/w/Armwright.exe"
    cp "$NATIVE" "$S/n/Armwright"
    cp "$EXAMPLES"/*.xml "$S/w/"
    cp "$EXAMPLES"/*.xml "$S/n/"
}

# Runs the .exe through the driver: ACTION, then the command line after the program's name, and
# optionally the whole line. Records in $S/wine.out (records) and $S/wine.facts ("# " lines).
run_wine() {
    local action="$1" tail="$2" line="${3-}"
    [ -n "$line" ] || line="\"$(winpath "$S/w/Armwright.exe")\" $tail"
    printf '%s' "$line" >"$S/line"
    (cd "$S/cwd" && wine "$DRIVER" "$action" "$(winpath "$S/line")") >"$S/wine.raw" 2>"$S/wine.err"
    grep -v '^# ' "$S/wine.raw" >"$S/wine.rec"
    normalise "$S/w" "$S/wine.rec" >"$S/wine.out"
    grep '^# ' "$S/wine.raw" >"$S/wine.facts"
}

# The POSIX build with the same command line, its records normalised the same way.
run_native() {
    local tail="$1"
    (cd "$S/cwd" && "$S/n/Armwright" "$tail") 2>"$S/native.raw" >/dev/null
    normalise "$S/n" "$S/native.raw" >"$S/native.out"
}

records_match() { same_file "$S/native.out" "$S/wine.out"; }
has_fact() { grep -qxF "# $1" "$S/wine.facts"; }
first_record() { [ "$(head -n1 "$S/wine.out")" = "$1" ]; }
only_examples_in() { [ "$(ls "$1" | tr '\n' ' ')" = "$2" ]; }
crlf_only() { ! tr -d '\r' <"$1" | cmp -s - "$1" && ! grep -q $'[^\r]$' "$1"; }
lf_copy_equals() { tr -d '\r' <"$1" | cmp -s - "$2"; }

CONTROLS="controls: Button(2)$(printf ' Static(-1)%.0s' $(seq 13))"
EXE_FILES="Armwright.exe Filename1.xml Filename2.xml Filename3.xml MeInit.xml "

# The usage dialog, closed in each of the four ways; the run reads and writes nothing.
for action in button enter escape close; do
    new_scenario "usage-$action"
    run_wine "$action" ""
    run_native ""
    check "usage dialog closed by $action: records" records_match
    check "usage dialog closed by $action: caption" first_record "Armwright program usage"
    check "usage dialog closed by $action: centred, unowned, controls, exit 0" \
        bash -c "grep -qx '# centred: yes' '$S/wine.facts' && grep -qx '# owner: none' '$S/wine.facts' &&
                 grep -qxF '# $CONTROLS' '$S/wine.facts' && grep -qx '# exit: 0' '$S/wine.facts'"
    check "usage dialog closed by $action: no file written" only_examples_in "$S/w" "$EXE_FILES"
done

# Only the quoted MeInit path and no switch: still the usage dialog.
new_scenario usage-no-switch
run_wine button '"MeInit.xml"'
run_native '"MeInit.xml"'
check "no switch: usage dialog" first_record "Armwright program usage"
check "no switch: records" records_match

# A MeInit that is not there, named relative to the executable's folder, not the current one.
new_scenario missing
run_wine button '"nope-MeInit.xml" /allow "Filename1.xml"'
run_native '"nope-MeInit.xml" /allow "Filename1.xml"'
check "missing MeInit: message" first_record 'Armwright: error: Unable to open file : <folder>\nope-MeInit.xml'
check "missing MeInit: records" records_match
check "missing MeInit: nothing written" only_examples_in "$S/w" "$EXE_FILES"

# An unknown switch word, with the program's name unquoted and followed by tabs and blanks:
# the backup is written, nothing else.
new_scenario unknown
run_wine button "" "$(winpath "$S/w/Armwright.exe")"$'\t  "MeInit.xml" /Bogus "x.xml"'
run_native '"MeInit.xml" /Bogus "x.xml"'
check "unknown switch, unquoted program name: message" first_record 'Armwright: error: Unknown argument : /Bogus'
check "unknown switch, unquoted program name: records" records_match
check "unknown switch: MeInit untouched" same_file "$EXAMPLES/MeInit.xml" "$S/w/MeInit.xml"
check "unknown switch: backup written" test -f "$S/w/$BACKUP"

# The three edits succeed: backup beside the .exe, MeInit rewritten with CR LF line ends.
FULL='"MeInit.xml" /allow "Filename1.xml" /addpredif "Filename2.xml" /weapons "Filename3.xml"'
new_scenario full
run_wine button "$FULL"
run_native "$FULL"
check "full run: success message" first_record 'Armwright: information: Operation successfull !'
check "full run: records" records_match
check "full run: MeInit has CR LF line ends only" crlf_only "$S/w/MeInit.xml"
check "full run: MeInit as the POSIX build writes it" lf_copy_equals "$S/w/MeInit.xml" "$S/n/MeInit.xml"
if [ -f "$EXPECTED_XML" ]; then
    check "full run: MeInit as expected" lf_copy_equals "$S/w/MeInit.xml" "$EXPECTED_XML"
fi
check "full run: backup has CR LF line ends only" crlf_only "$S/w/$BACKUP"
check "full run: backup as the POSIX build writes it" lf_copy_equals "$S/w/$BACKUP" "$S/n/$BACKUP"
check "full run: no temporary file left" only_examples_in "$S/w" "$EXE_FILES$BACKUP "

# A second run replaces the earlier backup with the document as loaded then.
printf 'old backup\r\n' >"$S/w/$BACKUP"
cp "$S/w/MeInit.xml" "$S/loaded.xml"
run_wine button '"MeInit.xml" /verbose'
check "second run: no message" test ! -s "$S/wine.out"
check "second run: backup replaced by the document as loaded" same_file "$S/loaded.xml" "$S/w/$BACKUP"

# An edit fails in verbose mode: its own message, the driver's, the other edits still run, and
# nothing but the backup is written.
FAIL='"MeInit.xml" /verbose /allow "missing.xml" /weapons "Filename3.xml"'
new_scenario failing
run_wine button "$FAIL"
run_native "$FAIL"
check "failing edit: records" records_match
check "failing edit: message for /allow" grep -qxF 'Armwright: error: Error with "allow" argument !' "$S/wine.out"
check "failing edit: MeInit untouched" same_file "$EXAMPLES/MeInit.xml" "$S/w/MeInit.xml"
check "failing edit: backup only" only_examples_in "$S/w" "$EXE_FILES$BACKUP "

# A read-only MeInit is never replaced, and the failed save is reported.
new_scenario readonly
chmod a-w "$S/w/MeInit.xml" "$S/n/MeInit.xml"
run_wine button "$FULL"
run_native "$FULL"
check "read-only MeInit: records" records_match
check "read-only MeInit: save failure reported" first_record 'Armwright: error: Unable to save file : <folder>\MeInit.xml'
check "read-only MeInit: unchanged" same_file "$EXAMPLES/MeInit.xml" "$S/w/MeInit.xml"
check "read-only MeInit: no temporary file left" only_examples_in "$S/w" "$EXE_FILES$BACKUP "

# A hidden MeInit is replaced by a file that is hidden too.
new_scenario hidden
wine cmd /c attrib +h "$(winpath "$S/w/MeInit.xml")" >/dev/null 2>&1
run_wine button '"MeInit.xml" /allow "Filename1.xml"'
check "hidden MeInit: rewritten" bash -c "! cmp -s '$EXAMPLES/MeInit.xml' '$S/w/MeInit.xml'"
check "hidden MeInit: still hidden" \
    bash -c "wine cmd /c attrib '$(winpath "$S/w/MeInit.xml")' 2>/dev/null | grep -q '^A *H '"

# Bad inputs: nesting far past what the 2 MiB stack of the .exe could parse, a file that ends in
# the middle of a multi-byte character after a byte-order mark, and binary noise. Each is refused
# with the same records as the POSIX build, and the files are left alone.
nested() { perl -e 'print "<a>" x $ARGV[0], "</a>" x $ARGV[0]' "$1"; }
new_scenario bad-inputs
nested 6000 >"$S/w/Deep-MeInit.xml"
nested 1000000 >"$S/w/Deeper-MeInit.xml"
printf '\xef\xbb\xbf<r>a\xea' >"$S/w/Lead-MeInit.xml"
head -c 4096 /dev/urandom | tr -d '<' >"$S/w/Noise-MeInit.xml"
nested 40000 >"$S/w/deep.xml"
cp "$S/w/"*-MeInit.xml "$S/w/deep.xml" "$S/n/"
# A FIFO, which a read would wait on for ever, is refused at once.
mkfifo "$S/w/Fifo-MeInit.xml" "$S/n/Fifo-MeInit.xml"
for name in Deep Deeper Lead Noise Fifo; do
    run_wine button "\"$name-MeInit.xml\" /allow \"Filename1.xml\""
    run_native "\"$name-MeInit.xml\" /allow \"Filename1.xml\""
    check "bad MeInit ($name): refused" first_record "Armwright: error: Unable to open file : <folder>\\$name-MeInit.xml"
    check "bad MeInit ($name): records" records_match
    check "bad MeInit ($name): no backup" test ! -e "$S/w/$BACKUP"
done
run_wine button '"MeInit.xml" /verbose /allow "deep.xml" /weapons "deep.xml"'
run_native '"MeInit.xml" /verbose /allow "deep.xml" /weapons "deep.xml"'
check "input nested 40,000 deep: edits fail" first_record 'Armwright: error: Error with "allow" argument !'
check "input nested 40,000 deep: records" records_match
check "input nested 40,000 deep: MeInit untouched" same_file "$EXAMPLES/MeInit.xml" "$S/w/MeInit.xml"

# Another program holds the MeInit open for writing and shares only reads: the save is refused as
# for a read-only MeInit, and the file is left alone.
new_scenario locked
chmod a-w "$S/n/MeInit.xml"
run_wine "lock:$(winpath "$S/w/MeInit.xml")" "$FULL"
run_native "$FULL"
check "MeInit held by another program: records as for a read-only one" records_match
check "MeInit held by another program: unchanged" same_file "$EXAMPLES/MeInit.xml" "$S/w/MeInit.xml"
check "MeInit held by another program: no temporary file left" only_examples_in "$S/w" "$EXE_FILES$BACKUP "

# The MeInit changes on disk while the run waits on its first message box: the save writes
# nothing over the change, and says so.
records_are() { printf '%s\n' "$@" >"$S/expected.out" && same_file "$S/expected.out" "$S/wine.out"; }
new_scenario changed
cp "$S/w/MeInit.xml" "$S/edited.xml"
printf '<!-- edited during the run -->\r\n' >>"$S/edited.xml"
run_wine "edit:$(winpath "$S/w/MeInit.xml")" '"MeInit.xml" /bogus /allow "Filename1.xml"'
check "MeInit changed during the run: messages" records_are \
    'Armwright: error: Unknown argument : /bogus' \
    'Armwright: error: The file changed on disk during the run : <folder>\MeInit.xml'
check "MeInit changed during the run: the change kept" same_file "$S/edited.xml" "$S/w/MeInit.xml"
check "MeInit changed during the run: no temporary file left" only_examples_in "$S/w" "$EXE_FILES$BACKUP "

# A MeInit that a new file could not stand in for is rewritten where it stands: one of two names,
# then a symbolic link to a file whose mode (its access list, as Wine shows it) is 640.
new_scenario in-place
ln "$S/w/MeInit.xml" "$S/w/Second.xml"
INODE="$(stat -c %i "$S/w/MeInit.xml")"
run_wine button "$FULL"
run_native "$FULL"
check "MeInit of two names: records" records_match
check "MeInit of two names: rewritten in place, under both" \
    bash -c "[ \"\$(stat -c %i '$S/w/MeInit.xml')\" = '$INODE' ] && cmp -s '$S/w/MeInit.xml' '$S/w/Second.xml'"
check "MeInit of two names: as the POSIX build writes it" lf_copy_equals "$S/w/MeInit.xml" "$S/n/MeInit.xml"
rm "$S/w/MeInit.xml" "$S/w/Second.xml"
cp "$EXAMPLES/MeInit.xml" "$S/w/Real.xml"
chmod 640 "$S/w/Real.xml"
ln -s Real.xml "$S/w/MeInit.xml"
run_wine button "$FULL"
check "MeInit linked to a file of mode 640: still a link, its file rewritten, mode kept" \
    bash -c "[ -L '$S/w/MeInit.xml' ] && [ \"\$(stat -c %a '$S/w/Real.xml')\" = 640 ]"
check "MeInit linked to a file of mode 640: as the POSIX build writes it" \
    lf_copy_equals "$S/w/Real.xml" "$S/n/MeInit.xml"
check "MeInit linked to a file of mode 640: no temporary file left" \
    only_examples_in "$S/w" "$EXE_FILES$BACKUP Real.xml "

# Under code page 932 (Wine takes it from the Japanese locale) the executable is named ソフト.exe,
# whose ソ ends in the byte of the backslash: its folder, which holds the backup and the relative
# names, and the caption, its name, stay whole.
new_scenario cp932
mv "$S/w/Armwright.exe" "$S/w/ソフト.exe"
printf '"%s" %s' "$(winpath "$S/w/ソフト.exe")" "$FULL" | iconv -f UTF-8 -t CP932 >"$S/line"
(cd "$S/cwd" && LC_ALL=ja_JP.UTF-8 wine "$DRIVER" button "$(winpath "$S/line")") 2>"$S/wine.err" |
    iconv -f CP932 -t UTF-8 | grep -v '^# ' >"$S/wine.out"
check "code page 932, ソフト.exe: success message under its name" records_are 'ソフト: information: Operation successfull !'
check "code page 932, ソフト.exe: backup beside it" test -f "$S/w/$BACKUP"
check "code page 932, ソフト.exe: MeInit as expected" lf_copy_equals "$S/w/MeInit.xml" "$EXPECTED_XML"
