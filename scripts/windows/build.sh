#!/usr/bin/env bash
# Builds build/mingw/app/Armwright.exe from a fresh machine: toolchain and TinyXML, then CMake.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$ROOT"
bash scripts/windows/setup.sh
cmake --preset mingw
cmake --build --preset mingw --parallel "$(nproc)"
echo "build: $ROOT/build/mingw/app/Armwright.exe"
