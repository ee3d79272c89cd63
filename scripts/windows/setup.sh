#!/usr/bin/env bash
# Prepares this Debian machine for the Windows build and its Wine checks: the cross toolchain,
# Wine and Xvfb, the POSIX build's needs (its binary is what the .exe is compared with), and a
# static TinyXML for the target made from Debian's own source package.
# Safe to run again: each step is skipped when its result is already there.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
DEPS="$ROOT/build/deps"
PREFIX="$DEPS/tinyxml-mingw"
CXX_MINGW=x86_64-w64-mingw32-g++
AR_MINGW=x86_64-w64-mingw32-ar

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi

source "$ROOT/scripts/install-missing.sh"
install_missing --no-install-recommends g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine wine64 \
    fonts-wine xvfb xauth dpkg-dev cmake make g++ pkg-config libtinyxml-dev libjemalloc-dev perl \
    python3 imagemagick locales

# Wine takes its ANSI code page from the locale: a Japanese one (932) for the double-byte checks.
if ! locale -a 2>/dev/null | grep -qx 'ja_JP.utf8'; then
    echo "setup: generating the ja_JP.UTF-8 locale"
    $SUDO sed -i -E 's/^#[[:space:]]*(ja_JP\.UTF-8 UTF-8)/\1/' /etc/locale.gen
    grep -qx 'ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
fi

if [ -f "$PREFIX/lib/libtinyxml.a" ] && [ -f "$PREFIX/include/tinyxml.h" ]; then
    echo "setup: $PREFIX is ready"
    exit 0
fi

# Debian's source of TinyXML 2.6.2, with its patches applied.
srcdir="$("$ROOT/scripts/tinyxml-source.sh")"

# The cross build runs without the library's standard-library string option, so the header we
# install must not switch it on by itself.
rm -rf "$PREFIX.tmp"
mkdir -p "$PREFIX.tmp/include" "$PREFIX.tmp/lib" "$PREFIX.tmp/obj"
cp "$srcdir/tinystr.h" "$PREFIX.tmp/include/"
sed -E '/^[[:space:]]*#[[:space:]]*define[[:space:]]+TIXML_USE_STL([[:space:]]|$)/d' \
    "$srcdir/tinyxml.h" >"$PREFIX.tmp/include/tinyxml.h"
if grep -qE '^[[:space:]]*#[[:space:]]*define[[:space:]]+TIXML_USE_STL' "$PREFIX.tmp/include/tinyxml.h"; then
    echo "setup: tinyxml.h still defines TIXML_USE_STL" >&2
    exit 1
fi
# The sources include their header by quotes, which finds the one beside them first: compile
# copies that sit beside the header we install.
for f in tinystr tinyxml tinyxmlerror tinyxmlparser; do
    cp "$srcdir/$f.cpp" "$PREFIX.tmp/include/$f.cpp"
    $CXX_MINGW -O2 -std=gnu++17 -w -c "$PREFIX.tmp/include/$f.cpp" -o "$PREFIX.tmp/obj/$f.o"
    rm "$PREFIX.tmp/include/$f.cpp"
done
if x86_64-w64-mingw32-nm -C "$PREFIX.tmp"/obj/*.o | grep -q 'std::.*basic_string'; then
    echo "setup: TinyXML was built with its standard-library string option" >&2
    exit 1
fi
$AR_MINGW rcs "$PREFIX.tmp/lib/libtinyxml.a" "$PREFIX.tmp"/obj/*.o
rm -rf "$PREFIX.tmp/obj" "$PREFIX"
mv "$PREFIX.tmp" "$PREFIX"
echo "setup: built $PREFIX/lib/libtinyxml.a"
