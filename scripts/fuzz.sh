#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer and UndefinedBehaviorSanitizer, TinyXML
# compiled in) and runs each for a bounded time, seeded from examples/, the test data and
# fuzz/seeds/.
#   scripts/fuzz.sh            about a minute in all (12 s a target)
#   scripts/fuzz.sh 3600       an hour a target
# The corpora grow in build/fuzz/corpus/; a crash leaves its input in build/fuzz/crashes/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-12}"

source scripts/install-missing.sh
install_groups build fuzz
scripts/tinyxml-source.sh >/dev/null
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

mkdir -p build/fuzz/crashes
status=0
run() {
    local target="$1"; shift
    # The first folder is the corpus the run grows; flags and seed folders follow.
    local corpus="build/fuzz/corpus/$target"
    mkdir -p "$corpus"
    local log="build/fuzz/$target.log"
    if "build/fuzz/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="build/fuzz/crashes/$target-" -print_final_stats=1 "$corpus" "$@" >"$log" 2>&1; then
        local runs units
        runs=$(grep -oE 'Done [0-9]+ runs' "$log" | grep -oE '[0-9]+' || echo "?")
        units=$(find "$corpus" -type f | wc -l)
        echo "fuzz: $target: $runs runs in ${seconds}s, corpus $units inputs"
    else
        echo "fuzz: $target FAILED; see $log and build/fuzz/crashes/" >&2
        tail -n 40 "$log" >&2
        status=1
    fi
}
run fuzz_meinit -dict=fuzz/xml.dict examples tests/data fuzz/seeds/xml
run fuzz_allow -dict=fuzz/xml.dict examples tests/data fuzz/seeds/xml
run fuzz_weapons -dict=fuzz/xml.dict examples tests/data fuzz/seeds/xml
run fuzz_addpredif -dict=fuzz/xml.dict examples tests/data fuzz/seeds/xml
run fuzz_command_line fuzz/seeds/cmdline
exit "$status"
