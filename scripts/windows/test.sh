#!/usr/bin/env bash
# The one entry point for the Windows checks on a Debian machine: installs what is missing,
# builds the POSIX binary whose records the .exe must match, then Armwright.exe and its tests,
# and runs them all with ctest: the save's unit and fault tests and the string class under Wine,
# the resources read back, the scenarios of tests/wine/run.sh, and the release zip's checks
# (tests/wine/release.sh, which builds it twice). Non-zero when a test failed.
#   test.sh [BUILD_FOLDER [CTEST_ARGUMENT...]]      BUILD_FOLDER: build/mingw by default
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
BUILD="$(realpath -m "${1:-$ROOT/build/mingw}")"
cd "$ROOT"

bash scripts/windows/setup.sh
# The POSIX build, only for its binary; its own tests stay off (preset native-program) so that this
# folder needs nothing beyond the program's dependencies.
scripts/tinyxml-source.sh >/dev/null
cmake --preset native-program -B "$BUILD/posix" >/dev/null
cmake --build "$BUILD/posix" --target Armwright --parallel "$(nproc)"

bash scripts/windows/build.sh "$BUILD" -DARMWRIGHT_TESTS=ON \
    -DARMWRIGHT_NATIVE_BINARY="$BUILD/posix/app/Armwright"
cd "$BUILD"
ctest --output-on-failure --parallel "$(nproc)" "${@:2}"
