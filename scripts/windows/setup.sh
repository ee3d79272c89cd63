#!/usr/bin/env bash
# Prepares this Debian machine for the Windows build and its Wine checks: the cross toolchain,
# Wine and Xvfb, GoogleTest's source, the POSIX build's needs (its binary is what the .exe is
# compared with), the groups build, windows and windows-tests of scripts/packages.txt; and
# Debian's own source package of TinyXML, which every build compiles in (cmake/TinyXml.cmake).
# Safe to run again: each step is skipped when its result is already there.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi

source "$ROOT/scripts/install-missing.sh"
install_groups --no-install-recommends build windows windows-tests

# Wine takes its ANSI code page from the locale: a Japanese one (932) for the double-byte checks.
if ! locale -a 2>/dev/null | grep -qx 'ja_JP.utf8'; then
    echo "setup: generating the ja_JP.UTF-8 locale"
    $SUDO sed -i -E 's/^#[[:space:]]*(ja_JP\.UTF-8 UTF-8)/\1/' /etc/locale.gen
    grep -qx 'ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
fi

# Debian's source of TinyXML 2.6.2, with its patches applied, where the mingw preset looks for it.
srcdir="$("$ROOT/scripts/tinyxml-source.sh")"
echo "setup: TinyXML's source is in $srcdir"
