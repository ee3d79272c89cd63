#!/usr/bin/env bash
# Takes docs/usage-dialog.png: Armwright.exe's usage dialog under Wine on a virtual X screen.
# Needs the .exe and the test driver built (scripts/windows/test.sh builds both).
#   screenshot.sh [OUTPUT.png [BUILD_FOLDER]]      BUILD_FOLDER: build/mingw by default
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
OUT="$(realpath -m "${1:-$ROOT/docs/usage-dialog.png}")"
BUILD="$(realpath -m "${2:-$ROOT/build/mingw}")"
EXE="$BUILD/app/Armwright.exe"
DRIVER="$BUILD/tests/wine/driver.exe"
source "$ROOT/tests/wine/lib.sh"

WORK="$(mktemp -d /tmp/armwright-shot.XXXXXX)"
wine_session "$WORK"

cp "$EXE" "$WORK/Armwright.exe"
printf '"%s"' "$(winpath "$WORK/Armwright.exe")" >"$WORK/line"
wine "$DRIVER" hold:6000 "$(winpath "$WORK/line")" >"$WORK/records" 2>/dev/null &
driver=$!
for _ in $(seq 100); do
    grep -q '^# controls' "$WORK/records" 2>/dev/null && break
    sleep 0.1
done
sleep 1
mkdir -p "$(dirname "$OUT")"
# The root window is black around the dialog: trimming leaves the dialog alone.
import -display "$DISPLAY" -window root "$WORK/screen.png"
convert "$WORK/screen.png" -trim +repage "$OUT"
wait "$driver"
echo "screenshot: $OUT"
