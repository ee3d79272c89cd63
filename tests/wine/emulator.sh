#!/usr/bin/env bash
# Runs a test program of the Windows build under Wine, for CMake and ctest
# (CMAKE_CROSSCOMPILING_EMULATOR): in the session that SESSION holds while the tests' fixture
# keeps one, else (listing a program's tests) in its prefix alone.
#   emulator.sh SESSION PROGRAM.exe [ARGUMENT...]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
SESSION="$1"
shift
if [ -s "$SESSION/display" ]; then
    wine_session_join "$SESSION"
else
    wine_prefix "$SESSION/prefix"
fi
exec wine "$@"
