#!/usr/bin/env bash
# Installs what the native build and its tests need, on Debian 12. Safe to run again.
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/install-missing.sh"
install_missing g++ cmake make pkg-config libjemalloc-dev libgtest-dev valgrind \
    clang-format-14 libacl1-dev libattr1-dev libxxhash-dev acl strace util-linux
