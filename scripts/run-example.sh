#!/usr/bin/env bash
# Builds Armwright and runs it on a scratch copy of examples/ with all three switches, then shows
# what it reported and what changed in the MeInit. Only the program is built, in
# build/native-program, so only what it needs is installed.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/install-missing.sh
install_groups build
scripts/tinyxml-source.sh >/dev/null
cmake --preset native-program >/dev/null
cmake --build --preset native-program -j "$(nproc)" >/dev/null

scratch=$(mktemp -d "${TMPDIR:-/tmp}/armwright-example-XXXXXX")
cp build/native-program/app/Armwright examples/*.xml "$scratch/"
line='"MeInit.xml" /verbose /allow "Filename1.xml" /addpredif "Filename2.xml" /weapons "Filename3.xml"'
echo "Scratch folder: $scratch"
echo "Running: Armwright '$line'"
echo "--- what it reported (standard error) ---"
(cd / && "$scratch/Armwright" "$line")
echo "--- what changed: the backup (as loaded) against the saved MeInit ---"
diff -u "$scratch/Meinit backup before Payload Vanmoor.xml" "$scratch/MeInit.xml" || true
