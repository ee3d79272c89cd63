#!/usr/bin/env bash
# End-to-end scenarios of Armwright.exe under Wine: each run of the .exe is recorded by driver.exe
# and must match what the POSIX build records for the same command line, and the files left on
# disk are checked. Prints "ok NAME" or "not ok NAME" per check; fails when one failed.
#   run.sh EXE DRIVER_EXE NATIVE_BINARY [SCENARIO...]
# SCENARIO is one of the functions scenario_NAME below (all of them by default). Runs in the Wine
# session that ARMWRIGHT_WINE_SESSION names, or in one of its own.
set -uo pipefail

EXE="$(realpath "$1")"
DRIVER="$(realpath "$2")"
NATIVE="$(realpath "$3")"
shift 3
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$HERE/../.." && pwd)"
EXAMPLES="$ROOT/examples"
EXPECTED_XML="$ROOT/tests/data/e2e/example-expected.xml"
BACKUP="Meinit backup before Payload Vanmoor.xml"
source "$HERE/lib.sh"

# Wine takes the program's file names and arguments from this locale, and the ANSI code page of
# a program without a manifest (the driver) from its language: 1252.
export LC_ALL=C.UTF-8
WORK="$(mktemp -d /tmp/armwright-wine.XXXXXX)"
wine_session "$WORK"

# Replaces FOLDER's Windows path (with its trailing backslash) by "<folder>\" in a record file.
normalise() { perl -pe 'BEGIN { $f = shift } s/\Q$f\E/<folder>\\/g' "$(winpath "$1")\\" "$2"; }

# A scenario folder with the .exe, the POSIX binary and the example files in separate copies; the
# .exe's folder is $S/w unless a second argument names another, relative to $S.
new_scenario() {
    S="$WORK/$1"
    W="$S/${2:-w}"
    mkdir -p "$W" "$S/n" "$S/cwd"
    cp "$EXE" "$W/Armwright.exe"
    cp "$NATIVE" "$S/n/Armwright"
    cp "$EXAMPLES"/*.xml "$W/"
    cp "$EXAMPLES"/*.xml "$S/n/"
}

# Runs the .exe through the driver: ACTION, then the command line after the program's name, and
# optionally the whole line. Records in $S/wine.out (records) and $S/wine.facts ("# " lines).
run_wine() {
    local action="$1" tail="$2" line="${3-}"
    [ -n "$line" ] || line="\"$(winpath "$W/Armwright.exe")\" $tail"
    printf '%s' "$line" >"$S/line"
    (cd "$S/cwd" && wine "$DRIVER" "$action" "$(winpath "$S/line")") >"$S/wine.raw" 2>"$S/wine.err"
    grep -v '^# ' "$S/wine.raw" >"$S/wine.rec"
    normalise "$W" "$S/wine.rec" >"$S/wine.out"
    grep '^# ' "$S/wine.raw" >"$S/wine.facts"
}

# The POSIX build with the same command line, its records normalised the same way.
run_native() {
    local tail="$1"
    (cd "$S/cwd" && "$S/n/Armwright" "$tail") 2>"$S/native.raw" >/dev/null
    normalise "$S/n" "$S/native.raw" >"$S/native.out"
}

records_match() { same_file "$S/native.out" "$S/wine.out"; }
records_are() { printf '%s\n' "$@" >"$S/expected.out" && same_file "$S/expected.out" "$S/wine.out"; }
has_fact() { grep -qxF "# $1" "$S/wine.facts"; }
first_record() { [ "$(head -n1 "$S/wine.out")" = "$1" ]; }
only_examples_in() { [ "$(ls "$1" | tr '\n' ' ')" = "$2" ]; }
nested() { perl -e 'print "<a>" x $ARGV[0], "</a>" x $ARGV[0]' "$1"; }

CONTROLS="controls: Button(2)$(printf ' Static(-1)%.0s' $(seq 13))"
EXE_FILES="Armwright.exe Filename1.xml Filename2.xml Filename3.xml MeInit.xml "
# A run that writes the backup records it among the MeInit's restore points, in this folder.
POINTS="Armwright restore points "
FULL='"MeInit.xml" /allow "Filename1.xml" /addpredif "Filename2.xml" /weapons "Filename3.xml"'

scenario_usage() {  # The usage dialog in each of its forms.
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
        check "usage dialog closed by $action: no file written" only_examples_in "$W" "$EXE_FILES"
    done

    # Only the quoted MeInit path and no switch: still the usage dialog.
    new_scenario usage-no-switch
    run_wine button '"MeInit.xml"'
    run_native '"MeInit.xml"'
    check "no switch: usage dialog" first_record "Armwright program usage"
    check "no switch: records" records_match
}

scenario_messages() {  # Messages about the command line and a missing MeInit.
    # A MeInit that is not there, named relative to the executable's folder, not the current one.
    new_scenario missing
    run_wine button '"nope-MeInit.xml" /allow "Filename1.xml"'
    run_native '"nope-MeInit.xml" /allow "Filename1.xml"'
    check "missing MeInit: message" first_record 'Armwright: error: Unable to open file : <folder>\nope-MeInit.xml'
    check "missing MeInit: records" records_match
    check "missing MeInit: nothing written" only_examples_in "$W" "$EXE_FILES"

    # An unknown switch word, with the program's name unquoted and followed by tabs and blanks:
    # the backup is written, nothing else.
    new_scenario unknown
    run_wine button "" "$(winpath "$W/Armwright.exe")"$'\t  "MeInit.xml" /Bogus "x.xml"'
    run_native '"MeInit.xml" /Bogus "x.xml"'
    check "unknown switch, unquoted program name: message" first_record 'Armwright: error: Unknown argument : /Bogus'
    check "unknown switch, unquoted program name: records" records_match
    check "unknown switch: MeInit untouched" same_file "$EXAMPLES/MeInit.xml" "$W/MeInit.xml"
    check "unknown switch: backup written" test -f "$W/$BACKUP"
}

scenario_edits() {  # The edits, succeeding and failing.
    # The three edits succeed: backup beside the .exe, MeInit rewritten with CR LF line ends.
    new_scenario full
    run_wine button "$FULL"
    run_native "$FULL"
    check "full run: success message" first_record 'Armwright: information: Operation successfull !'
    check "full run: records" records_match
    check "full run: MeInit has CR LF line ends only" crlf_only "$W/MeInit.xml"
    check "full run: MeInit as the POSIX build writes it" lf_copy_equals "$W/MeInit.xml" "$S/n/MeInit.xml"
    if [ -f "$EXPECTED_XML" ]; then
        check "full run: MeInit as expected" lf_copy_equals "$W/MeInit.xml" "$EXPECTED_XML"
    fi
    check "full run: backup has CR LF line ends only" crlf_only "$W/$BACKUP"
    check "full run: backup as the POSIX build writes it" lf_copy_equals "$W/$BACKUP" "$S/n/$BACKUP"
    check "full run: no temporary file left" only_examples_in "$W" "$POINTS$EXE_FILES$BACKUP "

    # A second run replaces the earlier backup with the document as loaded then.
    printf 'old backup\r\n' >"$W/$BACKUP"
    cp "$W/MeInit.xml" "$S/loaded.xml"
    run_wine button '"MeInit.xml" /verbose'
    check "second run: no message" test ! -s "$S/wine.out"
    check "second run: backup replaced by the document as loaded" same_file "$S/loaded.xml" "$W/$BACKUP"

    # An edit fails in verbose mode: its own message, the driver's, the other edits still run, and
    # nothing but the backup is written.
    FAIL='"MeInit.xml" /verbose /allow "missing.xml" /weapons "Filename3.xml"'
    new_scenario failing
    run_wine button "$FAIL"
    run_native "$FAIL"
    check "failing edit: records" records_match
    check "failing edit: message for /allow" grep -qxF 'Armwright: error: Error with "allow" argument !' "$S/wine.out"
    check "failing edit: MeInit untouched" same_file "$EXAMPLES/MeInit.xml" "$W/MeInit.xml"
    check "failing edit: backup only" only_examples_in "$W" "$POINTS$EXE_FILES$BACKUP "
}

scenario_way_back() {  # Restore points and /restore: a .bat run twice, the backup put back.
    local line="\"MeInit.xml\" /restore ${FULL#\"MeInit.xml\" }"
    new_scenario way-back
    run_wine button "$line"
    run_native "$line"
    check "restore line: records" records_match
    check "restore line: the original kept byte for byte" \
        same_file "$EXAMPLES/MeInit.xml" "$W/Armwright restore points/"*/*" original.xml"
    cp "$W/MeInit.xml" "$S/once.xml"
    run_wine button "$line"
    check "restore line run twice: success" first_record 'Armwright: information: Operation successfull !'
    check "restore line run twice: the same MeInit" same_file "$S/once.xml" "$W/MeInit.xml"
    cp "$W/$BACKUP" "$S/backup.xml"
    run_wine button "\"MeInit.xml\" /restore \"$BACKUP\""
    check "backup put back byte for byte" same_file "$S/backup.xml" "$W/MeInit.xml"
    # The slips the way back is for, each as the POSIX build reports it: an unquoted MeInit, a
    # mistyped switch, an input that does not exist, and a damaged MeInit put back by /restore.
    local slip
    for slip in "MeInit.xml /verbose /allow \"Filename1.xml\"" \
        "\"MeInit.xml\" /restore /addpredf \"Filename2.xml\"" \
        "\"MeInit.xml\" /verbose /allow \"missing.xml\""; do
        cp "$W/MeInit.xml" "$S/before.xml"
        run_wine button "$slip"
        run_native "$slip"
        check "slip $slip: records" records_match
        check "slip $slip: MeInit untouched" same_file "$S/before.xml" "$W/MeInit.xml"
    done
    printf '\0' | dd of="$W/MeInit.xml" bs=1 count=1 conv=notrunc 2>/dev/null
    run_wine button '"MeInit.xml" /restore'
    check "damaged MeInit put back: success" first_record 'Armwright: information: Operation successfull !'
    check "damaged MeInit put back: its original" same_file "$EXAMPLES/MeInit.xml" "$W/MeInit.xml"
}

scenario_attributes() {  # What a MeInit's attributes make of the save.
    # A read-only MeInit is never replaced, and the failed save is reported.
    new_scenario readonly
    chmod a-w "$W/MeInit.xml" "$S/n/MeInit.xml"
    run_wine button "$FULL"
    run_native "$FULL"
    check "read-only MeInit: records" records_match
    check "read-only MeInit: save failure reported" first_record 'Armwright: error: Unable to save file : <folder>\MeInit.xml'
    check "read-only MeInit: unchanged" same_file "$EXAMPLES/MeInit.xml" "$W/MeInit.xml"
    check "read-only MeInit: no temporary file left" only_examples_in "$W" "$POINTS$EXE_FILES$BACKUP "

    # A hidden MeInit is replaced by a file that is hidden too.
    new_scenario hidden
    wine cmd /c attrib +h "$(winpath "$W/MeInit.xml")" >/dev/null 2>&1
    run_wine button '"MeInit.xml" /allow "Filename1.xml"'
    check "hidden MeInit: rewritten" bash -c "! cmp -s '$EXAMPLES/MeInit.xml' '$W/MeInit.xml'"
    check "hidden MeInit: still hidden" \
        bash -c "wine cmd /c attrib '$(winpath "$W/MeInit.xml")' 2>/dev/null | grep -q '^A *H '"
}

scenario_bad_inputs() {  # Files that no run may load.
    # Bad inputs: nesting far past what the 2 MiB stack of the .exe could parse, a file that ends in
    # the middle of a multi-byte character after a byte-order mark, and binary noise. Each is refused
    # with the same records as the POSIX build, and the files are left alone.
    new_scenario bad-inputs
    nested 6000 >"$W/Deep-MeInit.xml"
    nested 1000000 >"$W/Deeper-MeInit.xml"
    printf '\xef\xbb\xbf<r>a\xea' >"$W/Lead-MeInit.xml"
    head -c 4096 /dev/urandom | tr -d '<' >"$W/Noise-MeInit.xml"
    nested 40000 >"$W/deep.xml"
    cp "$W/"*-MeInit.xml "$W/deep.xml" "$S/n/"
    # A FIFO, which a read would wait on for ever, is refused at once.
    mkfifo "$W/Fifo-MeInit.xml" "$S/n/Fifo-MeInit.xml"
    for name in Deep Deeper Lead Noise Fifo; do
        run_wine button "\"$name-MeInit.xml\" /allow \"Filename1.xml\""
        run_native "\"$name-MeInit.xml\" /allow \"Filename1.xml\""
        check "bad MeInit ($name): refused" first_record "Armwright: error: Unable to open file : <folder>\\$name-MeInit.xml"
        check "bad MeInit ($name): records" records_match
        check "bad MeInit ($name): no backup" test ! -e "$W/$BACKUP"
    done
    run_wine button '"MeInit.xml" /verbose /allow "deep.xml" /weapons "deep.xml"'
    run_native '"MeInit.xml" /verbose /allow "deep.xml" /weapons "deep.xml"'
    check "input nested 40,000 deep: edits fail" first_record 'Armwright: error: Error with "allow" argument !'
    check "input nested 40,000 deep: records" records_match
    check "input nested 40,000 deep: MeInit untouched" same_file "$EXAMPLES/MeInit.xml" "$W/MeInit.xml"
}

scenario_other_program() {  # Another program at work on the MeInit.
    # Another program holds the MeInit open for writing and shares only reads: the save is refused as
    # for a read-only MeInit, and the file is left alone.
    new_scenario locked
    chmod a-w "$S/n/MeInit.xml"
    run_wine "lock:$(winpath "$W/MeInit.xml")" "$FULL"
    run_native "$FULL"
    check "MeInit held by another program: records as for a read-only one" records_match
    check "MeInit held by another program: unchanged" same_file "$EXAMPLES/MeInit.xml" "$W/MeInit.xml"
    check "MeInit held by another program: no temporary file left" only_examples_in "$W" "$POINTS$EXE_FILES$BACKUP "

    # A scanner holds the MeInit open, sharing everything: the rename over it is refused (Windows
    # 10's POSIX rename would take its place; Wine has none), so the save waits about a second,
    # then rewrites the MeInit where it stands.
    new_scenario scanned
    INODE="$(stat -c %i "$W/MeInit.xml")"
    run_wine "scan:$(winpath "$W/MeInit.xml")" "$FULL"
    run_native "$FULL"
    check "MeInit held by a scanner: records" records_match
    check "MeInit held by a scanner: rewritten in place" \
        bash -c "[ \"\$(stat -c %i '$W/MeInit.xml')\" = '$INODE' ]"
    check "MeInit held by a scanner: as the POSIX build writes it" lf_copy_equals "$W/MeInit.xml" "$S/n/MeInit.xml"
    check "MeInit held by a scanner: no temporary file left" only_examples_in "$W" "$POINTS$EXE_FILES$BACKUP "

    # The MeInit changes on disk while the run waits on its first message box: a box is a failed
    # run's, which writes nothing over the change.
    new_scenario changed
    cp "$W/MeInit.xml" "$S/edited.xml"
    printf '<!-- edited during the run -->\r\n' >>"$S/edited.xml"
    run_wine "edit:$(winpath "$W/MeInit.xml")" '"MeInit.xml" /bogus /allow "Filename1.xml"'
    check "MeInit changed during the run: messages" records_are \
        'Armwright: error: Unknown argument : /bogus'
    check "MeInit changed during the run: the change kept" same_file "$S/edited.xml" "$W/MeInit.xml"
    check "MeInit changed during the run: no temporary file left" only_examples_in "$W" "$POINTS$EXE_FILES$BACKUP "
}

scenario_in_place() {  # Saves that rewrite the MeInit where it stands.
    # A MeInit that a new file could not stand in for is rewritten where it stands: one of two names,
    # then a symbolic link to a file whose mode (its access list, as Wine shows it) is 640.
    new_scenario in-place
    ln "$W/MeInit.xml" "$W/Second.xml"
    INODE="$(stat -c %i "$W/MeInit.xml")"
    run_wine button "$FULL"
    run_native "$FULL"
    check "MeInit of two names: records" records_match
    check "MeInit of two names: rewritten in place, under both" \
        bash -c "[ \"\$(stat -c %i '$W/MeInit.xml')\" = '$INODE' ] && cmp -s '$W/MeInit.xml' '$W/Second.xml'"
    check "MeInit of two names: as the POSIX build writes it" lf_copy_equals "$W/MeInit.xml" "$S/n/MeInit.xml"
    rm "$W/MeInit.xml" "$W/Second.xml"
    cp "$EXAMPLES/MeInit.xml" "$W/Real.xml"
    chmod 640 "$W/Real.xml"
    ln -s Real.xml "$W/MeInit.xml"
    run_wine button "$FULL"
    check "MeInit linked to a file of mode 640: still a link, its file rewritten, mode kept" \
        bash -c "[ -L '$W/MeInit.xml' ] && [ \"\$(stat -c %a '$W/Real.xml')\" = 640 ]"
    check "MeInit linked to a file of mode 640: as the POSIX build writes it" \
        lf_copy_equals "$W/Real.xml" "$S/n/MeInit.xml"
    check "MeInit linked to a file of mode 640: no temporary file left" \
        only_examples_in "$W" "$POINTS$EXE_FILES$BACKUP Real.xml "
}

scenario_names() {  # Names that no legacy code page holds, and one that trips its stepping.
    # Under code page 932 (Wine takes it from the Japanese locale) the executable is named
    # ソフト.exe, whose ソ ends in the byte of the backslash there: its folder, which holds the
    # backup and the relative names, and the caption, its name, stay whole.
    new_scenario cp932
    mv "$W/Armwright.exe" "$W/ソフト.exe"
    printf '"%s" %s' "$(winpath "$W/ソフト.exe")" "$FULL" >"$S/line"
    (cd "$S/cwd" && LC_ALL=ja_JP.UTF-8 wine "$DRIVER" button "$(winpath "$S/line")") 2>"$S/wine.err" |
        grep -v '^# ' >"$S/wine.out"
    check "code page 932, ソフト.exe: success message under its name" records_are 'ソフト: information: Operation successfull !'
    check "code page 932, ソフト.exe: backup beside it" test -f "$W/$BACKUP"
    check "code page 932, ソフト.exe: MeInit as expected" lf_copy_equals "$W/MeInit.xml" "$EXPECTED_XML"

    # The program in a folder named in Cyrillic and Greek, and an input file named in Cyrillic:
    # the manifest's UTF-8 names them all.
    new_scenario unicode-folder "Конфиг Ελληνικά"
    mv "$W/Filename1.xml" "$W/Пилоны.xml"
    run_wine button '"MeInit.xml" /allow "Пилоны.xml" /addpredif "Filename2.xml" /weapons "Filename3.xml"'
    check "Cyrillic and Greek folder, Cyrillic input: success message" records_are 'Armwright: information: Operation successfull !'
    check "Cyrillic and Greek folder, Cyrillic input: backup beside the .exe" test -f "$W/$BACKUP"
    check "Cyrillic and Greek folder, Cyrillic input: MeInit as expected" lf_copy_equals "$W/MeInit.xml" "$EXPECTED_XML"

    # A MeInit given by a full path in Japanese.
    new_scenario japanese-path
    mkdir -p "$S/ゲーム/Config"
    mv "$W/MeInit.xml" "$S/ゲーム/Config/MeInit.xml"
    run_wine button "\"$(winpath "$S/ゲーム/Config/MeInit.xml")\" ${FULL#\"MeInit.xml\" }"
    check "MeInit by a full path in Japanese: success message" records_are 'Armwright: information: Operation successfull !'
    check "MeInit by a full path in Japanese: MeInit as expected" lf_copy_equals "$S/ゲーム/Config/MeInit.xml" "$EXPECTED_XML"
    check "MeInit by a full path in Japanese: backup beside the .exe" \
        lf_copy_equals "$W/$BACKUP" "$ROOT/tests/data/e2e/example-backup.xml"
}

if [ $# -eq 0 ]; then
    set -- usage messages edits attributes bad_inputs other_program in_place names
fi
for scenario in "$@"; do
    "scenario_$scenario"
done
finish
