#!/usr/bin/env bash
# Builds the Windows release a modder downloads: dist/Armwright-<version>-win64.zip (the .exe, a
# plain-text guide, the examples and a batch file that runs them, our licence and the notices of
# the libraries linked into the .exe) and dist/SHA256SUMS. Installs what is missing on Debian 12.
#   scripts/release.sh [BUILD_FOLDER]      default build/release-win; ARMWRIGHT_DIST overrides dist/
# The same commit gives the same zip, byte for byte, in any folder and at any time: the clock is
# the commit's (SOURCE_DATE_EPOCH), build paths are mapped away, the linker and the archivers
# write no time stamps, and the zip's entries are sorted with fixed times and modes.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$(realpath -m "${1:-$ROOT/build/release-win}")"
DIST="$(realpath -m "${ARMWRIGHT_DIST:-$ROOT/dist}")"
cd "$ROOT"  # where the presets are
# The Debian source release of TinyXML that releases are built from; another one changes the .exe.
TINYXML_PINNED=2.6.2-6+deb12u1
PYTHON=/usr/bin/python3  # Debian's, so that the zip's deflate streams come from Debian's zlib

die() {
    echo "release: $*" >&2
    exit 1
}

# Flags go through CMake's flag strings, which a shell splits at blanks.
case "$ROOT$BUILD" in
    *[[:space:]]*) die "the source and build folders must not contain blanks" ;;
esac

source "$ROOT/scripts/install-missing.sh"
install_groups --no-install-recommends windows release

# Debian installs both thread models; the POSIX one would link winpthreads in, which the notices
# below do not cover.
[[ "$(x86_64-w64-mingw32-g++ -v 2>&1)" == *$'\nThread model: win32\n'* ]] ||
    die "x86_64-w64-mingw32-g++ is not the win32 thread model;" \
        "choose it with update-alternatives --config x86_64-w64-mingw32-g++"

# The one place the version stands; the build writes it into the resources and the manifest.
VERSION="$(sed -nE 's/^project\(Armwright VERSION ([0-9]+\.[0-9]+\.[0-9]+).*/\1/p' "$ROOT/CMakeLists.txt")"
[ -n "$VERSION" ] || die "no project(Armwright VERSION x.y.z) in CMakeLists.txt"

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH="$(git -C "$ROOT" log -1 --format=%ct)" || die "no commit to take the time from"
fi
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C
if [ -n "$(git -C "$ROOT" status --porcelain --untracked-files=no 2>/dev/null)" ]; then
    echo "release: warning: the working tree differs from its last commit;" \
        "this zip is not that commit's" >&2
fi

srcdir="$("$ROOT/scripts/tinyxml-source.sh")"
tinyxml_version="$(dpkg-parsechangelog -l "$srcdir/debian/changelog" -S Version)"
[ "$tinyxml_version" = "$TINYXML_PINNED" ] ||
    die "$srcdir is TinyXML $tinyxml_version, not the pinned $TINYXML_PINNED:" \
        "remove build/deps/src and run again, or change TINYXML_PINNED in $0 on purpose"

rm -rf "$BUILD"/{cmake,stage}
mkdir -p "$DIST"
PREFIX_MAP="-ffile-prefix-map=$ROOT=. -ffile-prefix-map=$BUILD=build"

# The mingw preset's build, TinyXML compiled in from the source checked above as in every build
# from source, with the flags that make it reproducible (taken from the environment, CMake adds
# them to the preset's own), stripped, since a modder has no use for the symbols, and a link map
# that tells the notices which libraries went in.
CXXFLAGS="$PREFIX_MAP" LDFLAGS="-s -Wl,--no-insert-timestamp -Wl,-Map=$BUILD/Armwright.map" \
    cmake --preset mingw -B "$BUILD/cmake" -DTINYXML_SOURCE_DIR="$srcdir" >/dev/null
cmake --build "$BUILD/cmake" --target Armwright --parallel "$(nproc)"
EXE="$BUILD/cmake/app/Armwright.exe"

# Prints the lines of FILE from the one that is START up to the one that begins with END, END
# excluded; fails when either is missing.
between() {
    awk -v s="$1" -v e="$2" '$0 == s { on = 1 } on && index($0, e) == 1 { found = 1; exit } on { print }
        END { exit !found }' "$3" || die "$3 has no lines from \"$1\" to \"$2\""
}

# The notices of what the linker took from outside our build, each from the copyright file of the
# Debian package it came from; a package that this script has no notice for stops the release.
notices() {
    local rule="=============================================================================="
    local -A parts=()
    local file package copyright title
    while read -r file; do
        package="$(dpkg -S "$(readlink -f "$file")" | cut -d: -f1)"
        copyright="$(readlink -f "/usr/share/doc/$package/copyright")"
        parts[$copyright]+="$package $(dpkg-query -W -f='${Version}' "$package"): $(basename "$file")"$'\n'
    done < <(sed -nE 's|^(/[^ (]+\.a)\(.*|\1|p; s|^LOAD (/[^ ]+\.o)$|\1|p' "$BUILD/Armwright.map" |
        grep -vF "$BUILD/" | sort -u)
    ((${#parts[@]})) || die "the link map names no library"
    local patches
    patches="$(sed -n 's/\.patch$//p' "$srcdir/debian/patches/series" | paste -sd, | sed 's/,/, /g')"

    cat <<EOF
Armwright.exe holds code of the following software, linked into it when it was built
on Debian 12. Their licences follow, each taken from the copyright file of the Debian
package it came from.

$rule
TinyXML: Debian source package tinyxml $tinyxml_version
$rule
Upstream 2.6.2 with Debian's patches: $patches.
Compiled without its TIXML_USE_STL option. From the package's debian/copyright:

$(cat "$srcdir/debian/copyright")
EOF
    for copyright in $(printf '%s\n' "${!parts[@]}" | sort); do
        case "$copyright" in
            */gcc-mingw-w64-base/copyright)
                title="The GCC runtime: its C++ library (libstdc++) and support library (libgcc)" ;;
            */mingw-w64-x86-64-dev/copyright)
                title="The MinGW-w64 runtime: start-up code, C support functions, import libraries" ;;
            *) die "no notice for $copyright, whose package gives: ${parts[$copyright]}" ;;
        esac
        printf '\n%s\n%s\n%s\n' "$rule" "$title" "$rule"
        echo "Linked in from these Debian packages (name version: files):"
        printf '%s' "${parts[$copyright]}" | sort | awk -F': ' '
            $1 != last { if (NR > 1) print line; line = "  " $1 ":"; last = $1 }
            { line = line " " $2 }
            END { print line }'
        echo
        if [[ "$copyright" == */gcc-mingw-w64-base/copyright ]]; then
            echo "From $copyright, its general terms and the"
            echo "runtime library exception (the rest of that file is about parts of GCC not linked in):"
            echo
            between "COPYRIGHT STATEMENTS AND LICENSING TERMS" "The libbacktrace library" "$copyright"
            between "GCC RUNTIME LIBRARY EXCEPTION" "libquadmath/" "$copyright"
        else
            echo "From $copyright:"
            echo
            cat "$copyright"
        fi
    done
    printf '\n%s\n%s\n%s\n%s\n' "$rule" \
        "GNU General Public License, version 3 (the licence that the GCC runtime exception" \
        "adds its permission to)" "$rule"
    cat /usr/share/common-licenses/GPL-3
}

# Text for Windows: CR LF line ends, whatever the source had.
crlf() { sed -e 's/\r$//' -e 's/$/\r/' "$@"; }

STAGE="$BUILD/stage"
mkdir -p "$STAGE/examples"
cp "$EXE" "$STAGE/Armwright.exe"
sed "s/@VERSION@/$VERSION/g" "$ROOT/release/README.txt" | crlf >"$STAGE/README.txt"
crlf "$ROOT/release/example.bat" >"$STAGE/example.bat"
crlf "$ROOT/LICENSE" >"$STAGE/LICENSE.txt"
notices | crlf >"$STAGE/THIRD-PARTY-NOTICES.txt"
for f in MeInit.xml Filename1.xml Filename2.xml Filename3.xml; do
    crlf "$ROOT/examples/$f" >"$STAGE/examples/$f"
done

ZIP="Armwright-$VERSION-win64.zip"
"$PYTHON" - "$STAGE" "$DIST/$ZIP" <<'EOF'
import os, sys, time, zipfile
stage, out = sys.argv[1:]
when = time.gmtime(max(int(os.environ["SOURCE_DATE_EPOCH"]), 315532800))[:6]  # zip starts at 1980
names = sorted(os.path.relpath(os.path.join(d, f), stage).replace(os.sep, "/")
               for d, _, files in os.walk(stage) for f in files)
with zipfile.ZipFile(out + ".tmp", "w") as z:
    for name in names:
        info = zipfile.ZipInfo(name, when)
        info.create_system = 0  # MS-DOS: no Unix owner or mode travels
        info.external_attr = 0
        info.compress_type = zipfile.ZIP_DEFLATED
        with open(os.path.join(stage, name), "rb") as f:
            z.writestr(info, f.read(), compresslevel=9)
os.replace(out + ".tmp", out)
EOF
(cd "$DIST" && sha256sum "$ZIP" >SHA256SUMS)
echo "release: $DIST/$ZIP"
cat "$DIST/SHA256SUMS"
