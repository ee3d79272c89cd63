#!/usr/bin/env bash
# Builds everything and runs every test, installing what is missing on Debian 12:
#   1. the checked-in formatting of every tracked C++ file, and that nothing outside framework/
#      includes a backend's own header (a second or two, so first);
#   2. the native build's unit, driver and end-to-end tests;
#   3. the same suite under AddressSanitizer and UndefinedBehaviorSanitizer, TinyXML compiled in;
#   4. the end-to-end runs under valgrind's memcheck;
#   5. each fuzz target for a bounded time (about a minute in all);
#   6. Armwright.exe, cross-built, under Wine and Xvfb, and its resources read back.
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/install-missing.sh

passed=0
failed=0
stage() {
    local name="$1"; shift
    echo "=== $name"
    if "$@"; then
        passed=$((passed + 1))
    else
        echo "=== $name FAILED" >&2
        failed=$((failed + 1))
    fi
}

# The clang-format of packages.txt: another version formats some lines otherwise. A tracked file
# deleted in the working tree is not there to check.
formatting() {
    install_groups format || return 1
    local files=() file
    while IFS= read -r -d '' file; do
        [ -e "$file" ] && files+=("$file")
    done < <(git ls-files -z -- '*.cpp' '*.h')
    clang-format-14 --dry-run --Werror "${files[@]}" || return 1
    # A backend's own headers are the framework's: the layers above see only its neutral ones.
    if git grep -n -E '#[[:space:]]*include[[:space:]]*[<"](\.\./)*framework/(posix|win32)/' -- ':!framework'; then
        echo "formatting: the lines above include a backend's own header" >&2
        return 1
    fi
}
native() {
    scripts/build.sh && ctest --preset native -j "$(nproc)"
}
sanitized() {
    install_groups build tests &&
        scripts/tinyxml-source.sh >/dev/null &&
        cmake --preset sanitize >/dev/null &&
        cmake --build --preset sanitize -j "$(nproc)" &&
        ctest --preset sanitize -j "$(nproc)"
}
memcheck() {
    install_groups memcheck || return 1
    ARMWRIGHT_E2E_LAUNCHER="valgrind -q --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite" \
        ctest --preset native -L e2e
}

stage "formatting" formatting
stage "native tests" native
stage "sanitised tests" sanitized
stage "end-to-end runs under valgrind" memcheck
stage "fuzzing" scripts/fuzz.sh
if [ -x scripts/windows/test.sh ]; then
    stage "Windows build under Wine" scripts/windows/test.sh
fi

echo "test stages: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
