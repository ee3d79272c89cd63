#!/usr/bin/env bash
# Builds the native binary and its tests in build/native, with TinyXML's source fetched first.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/install-missing.sh
install_groups build tests
scripts/tinyxml-source.sh >/dev/null
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)"
