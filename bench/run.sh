#!/usr/bin/env bash
# Reproduces the benchmark tables and plot: installs the peers (xmlstarlet, Python with
# matplotlib) and GNU time, fetches TinyXML's source, builds the release binaries, then runs
# bench.py.
#   bench/run.sh                     sizes 2, 20 and 100 MB, growth 1 to 100 MB, /weapons against
#                                    one large category and against an example-shaped registry
#   bench/run.sh --quick             the three sizes only
#   bench/run.sh --build DIR ...     the release binaries in DIR instead of build/release
#   bench/run.sh --malloc-conf CONF  Armwright also with other jemalloc settings, in the same rounds
# How long a run takes, and on which machine: docs/benchmark.md. Other options go to bench.py
# (--sizes, --rounds). Results: build/bench/results.md and docs/benchmark.png.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/release
rest=()
while (($#)); do
    if [ "$1" = --build ] && (($# > 1)); then
        build="$2"
        shift 2
    else
        rest+=("$1")
        shift
    fi
done
source scripts/install-missing.sh
install_groups build bench
scripts/tinyxml-source.sh >/dev/null
cmake --preset release -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)"
exec /usr/bin/python3 bench/bench.py --build "$build" "${rest[@]}"
