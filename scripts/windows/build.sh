#!/usr/bin/env bash
# Builds Armwright.exe from a fresh machine: toolchain and TinyXML's source, then CMake.
#   build.sh [BUILD_FOLDER [CMAKE_ARGUMENT...]]      BUILD_FOLDER: build/mingw by default
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
BUILD="$(realpath -m "${1:-$ROOT/build/mingw}")"
cd "$ROOT"
bash scripts/windows/setup.sh
cmake --preset mingw -B "$BUILD" "${@:2}"
cmake --build "$BUILD" --parallel "$(nproc)"
echo "build: $BUILD/app/Armwright.exe"
