#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a fixed time.
#   fuzz/run.sh [seconds-per-target] [target...]
# Corpora live in fuzz/corpus/<target>/ (seeded from the test fixtures by
# fuzz/seed.sh); findings are written to fuzz/findings/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-600}
shift || true
targets=${*:-"module codecs profile extract build diff po"}
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPACKSMITH_FUZZ=ON -DPACKSMITH_TESTS=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" >/dev/null
for t in $targets; do
  mkdir -p "fuzz/corpus/$t" "fuzz/findings/$t"
  echo "== fuzz_$t for ${secs}s"
  build-fuzz/fuzz/fuzz_$t -max_total_time="$secs" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -close_fd_mask=1 -artifact_prefix="fuzz/findings/$t/" "fuzz/corpus/$t" 2>&1 | tail -n 3
done
