#!/usr/bin/env bash
# Fetches Debian's source release of TinyXML 2.6.2, with Debian's patches applied, into
# build/deps/src and prints its folder. Every build compiles the library in from there
# (cmake/TinyXml.cmake); nothing of it is committed.
# Safe to run again.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
src="$root/build/deps/src"
# No folder yet is no error: find's failure must not end the script.
existing="$(find "$src" -maxdepth 1 -type d -name 'tinyxml-*' 2>/dev/null | head -n1 || true)"
if [ -n "$existing" ] && [ -f "$existing/tinyxmlparser.cpp" ]; then
    echo "$existing"
    exit 0
fi

export DEBIAN_FRONTEND=noninteractive
source "$root/scripts/install-missing.sh"
install_groups tinyxml-source

# `apt-get source` needs a deb-src entry for the suites this machine installs from.
if ! grep -rqsE '^(Types:.*deb-src|deb-src[[:space:]])' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed -E 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
            >/etc/apt/sources.list.d/armwright-deb-src.sources
    elif [ -f /etc/apt/sources.list ]; then
        grep -E '^deb[[:space:]]' /etc/apt/sources.list | sed -E 's/^deb /deb-src /' \
            >/etc/apt/sources.list.d/armwright-deb-src.list
    else
        echo "tinyxml-source: no Debian source list to add deb-src to" >&2
        exit 1
    fi
    apt-get update -q >&2
fi

mkdir -p "$src"
(cd "$src" && apt-get source -q tinyxml >&2) || { apt-get update -q >&2 && (cd "$src" && apt-get source -q tinyxml >&2); }
existing="$(find "$src" -maxdepth 1 -type d -name 'tinyxml-*' | head -n1)"
[ -n "$existing" ] && [ -f "$existing/tinyxmlparser.cpp" ] || {
    echo "tinyxml-source: apt-get source tinyxml gave no source tree" >&2
    exit 1
}
echo "$existing"
