#!/usr/bin/env bash
# Installs what the native build and its tests need, on Debian 12. Safe to run again.
set -euo pipefail

packages=(g++ cmake make pkg-config libtinyxml-dev libjemalloc-dev libgtest-dev valgrind clang-format-14)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q "${missing[@]}"
fi
