#!/usr/bin/env bash
# Takes docs/usage-dialog.png: Armwright.exe's usage dialog under Wine on a virtual X screen.
# Needs the .exe and the test driver built (scripts/windows/test.sh builds both).
#   screenshot.sh [OUTPUT.png]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
OUT="$(realpath -m "${1:-$ROOT/docs/usage-dialog.png}")"
EXE="$ROOT/build/mingw/app/Armwright.exe"
DRIVER="$ROOT/build/mingw/tests-wine/driver.exe"

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$OUT"
fi

WORK="$(mktemp -d /tmp/armwright-shot.XXXXXX)"
export WINEPREFIX="$WORK/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k >/dev/null 2>&1; rm -rf "$WORK"' EXIT
wineboot -i >/dev/null 2>&1
# No window manager runs on the virtual screen: Wine draws the caption and frame itself.
# Wine's own fonts (fonts-wine), where this prefix looks for them: the dialog's MS Sans Serif and
# the glyphs of the caption buttons.
cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wineserver -w

cp "$EXE" "$WORK/Armwright.exe"
printf '"Z:%s"' "${WORK//\//\\}\\Armwright.exe" >"$WORK/line"
wine "$DRIVER" hold:6000 "Z:${WORK//\//\\}\\line" >"$WORK/records" 2>/dev/null &
driver=$!
for _ in $(seq 100); do
    grep -q '^# controls' "$WORK/records" 2>/dev/null && break
    sleep 0.1
done
sleep 1
mkdir -p "$(dirname "$OUT")"
# The root window is black around the dialog: trimming leaves the dialog alone.
import -window root "$WORK/screen.png"
convert "$WORK/screen.png" -trim +repage "$OUT"
wait "$driver"
echo "screenshot: $OUT"
