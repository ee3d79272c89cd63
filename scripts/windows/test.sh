#!/usr/bin/env bash
# The one entry point for the Windows checks on a Debian machine: installs what is missing,
# builds Armwright.exe, the test driver and the POSIX binary to compare with, then runs the
# resource checks, the Wine scenarios and the release zip's checks (tests/wine/release.sh, which
# builds it twice). Ends with "N passed, M failed"; non-zero on failure.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$ROOT"

bash scripts/windows/build.sh

# The POSIX build, only for its binary: the records that the .exe must match. Its own tests stay
# off here so that this folder needs nothing beyond the program's dependencies.
cmake -S . -B build/native-wine -DCMAKE_BUILD_TYPE=RelWithDebInfo -DARMWRIGHT_TESTS=OFF >/dev/null
cmake --build build/native-wine --target Armwright --parallel "$(nproc)"

mkdir -p build/mingw/tests-wine
x86_64-w64-mingw32-g++ -std=c++17 -O1 -Wall -Wextra -Werror -static \
    -o build/mingw/tests-wine/driver.exe tests/wine/driver.cpp -luser32 -lgdi32

EXE=build/mingw/app/Armwright.exe
LOG=build/mingw/tests-wine/results.txt
{
    bash tests/wine/check-resources.sh "$EXE"
    bash tests/wine/run.sh "$EXE" build/mingw/tests-wine/driver.exe build/native-wine/app/Armwright
    bash tests/wine/release.sh build/mingw/tests-wine/driver.exe
} 2>&1 | tee "$LOG"

passed=$(grep -c '^ok ' "$LOG" || true)
failed=$(grep -c '^not ok ' "$LOG" || true)
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
