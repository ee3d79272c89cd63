#!/usr/bin/env bash
# Reproduces the benchmark table and plot: installs the peers (xmlstarlet, Python with
# matplotlib) and GNU time, builds the release binaries, then runs bench.py.
#   bench/run.sh                     sizes 2, 20 and 100 MB, growth 1 to 100 MB, /weapons against
#                                    one large category and against an example-shaped registry
#   bench/run.sh --sizes 2 --quick   a short look
# Results: build/bench/results.md and docs/benchmark.png.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
source scripts/install-missing.sh
install_missing xmlstarlet python3 python3-matplotlib time
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
exec /usr/bin/python3 bench/bench.py "$@"
