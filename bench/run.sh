#!/usr/bin/env bash
# Benchmarks: builds a Release tool, generates an install of N modules
# (bench/make_install.py) and prints, per workload, the tool's median wall
# time, the median `zip -q -r` time of the same rounds, their ratio and the
# tool's peak memory (bench/measure.py).
# Usage: bench/run.sh [modules] [rounds]     (defaults: 300 modules, 3 rounds)
set -euo pipefail
cd "$(dirname "$0")/.."
modules=${1:-300}
rounds=${2:-3}
bash scripts/setup.sh >/dev/null
# /usr/bin/time reports the peak memory of each run.
if [ "$(id -u)" = 0 ]; then sudo=""; else sudo="sudo"; fi
[ -x /usr/bin/time ] || DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq time </dev/null >/dev/null
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DPACKSMITH_TESTS=OFF >/dev/null
cmake --build build-bench -j"$(nproc)" >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/psbench.XXXXXX")
trap 'rm -rf "$work"' EXIT
python3 bench/make_install.py "$work" "$modules"
cp build-bench/packsmith "$work/tool/packsmith"
echo "machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p'), load $(cut -d' ' -f1-3 /proc/loadavg)"
python3 bench/measure.py "$work" "$work/tool/packsmith" "$rounds"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
