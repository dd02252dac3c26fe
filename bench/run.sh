#!/usr/bin/env bash
# Benchmarks: wall time and peak memory of /build on a large module (no
# conversion and en-gb), /lgp over a generated 300-module install against
# `zip -q -r` of the same install, and /diff of that install against its
# own pack. Prints a table. Usage: bench/run.sh [modules]
set -euo pipefail
cd "$(dirname "$0")/.."
modules=${1:-300}
bash scripts/setup.sh >/dev/null
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DPACKSMITH_TESTS=OFF >/dev/null
cmake --build build-bench -j"$(nproc)" >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/psbench.XXXXXX")
trap 'rm -rf "$work"' EXIT
python3 bench/make_install.py "$work" "$modules"
cp build-bench/packsmith "$work/tool/packsmith"

measure() {  # label, command...: prints "label|seconds|peak KiB"
  local label=$1; shift
  # Every run starts with nothing waiting to be written: otherwise the first
  # fsync of a run pays for the files written before it.
  sync
  /usr/bin/time -o "$work/time.txt" -f "%e %M" "$@" >/dev/null 2>&1 || true
  local secs kib
  read -r secs kib < "$work/time.txt"
  echo "$label|$secs|$kib"
}

tool="$work/tool/packsmith"
rows=()
rows+=("$(measure "/build large module (no conversion)" "$tool" "$work/large/large.dll" /build)")
rows+=("$(measure "/build large module (en-gb)" "$tool" "$work/large/large.dll" /build en-gb)")
rows+=("$(measure "/lgp over ${modules} modules" "$tool" "$work/install" /lgp)")
rows+=("$(measure "zip -q -r of the same install" bash -c "cd '$work' && rm -f install.zip && zip -q -r install.zip install")")
pack=$(ls "$work"/tool/LangFiles/*.lgp | head -n 1)
rows+=("$(measure "/diff install against its own pack" "$tool" "$work/install" /diff "$pack")")

printf '| %-40s | %9s | %13s |\n' "run" "wall (s)" "peak RSS (MiB)"
printf '|%s|%s|%s|\n' "$(printf -- '-%.0s' {1..42})" "$(printf -- '-%.0s' {1..11})" "$(printf -- '-%.0s' {1..16})"
for r in "${rows[@]}"; do
  IFS='|' read -r label secs kib <<<"$r"
  printf '| %-40s | %9s | %13.1f |\n' "$label" "$secs" "$(echo "$kib / 1024" | bc -l)"
done
lgp=$(echo "${rows[2]}" | cut -d'|' -f2); zipt=$(echo "${rows[3]}" | cut -d'|' -f2)
echo
echo "lgp / zip wall-time ratio: $(echo "scale=2; $lgp / $zipt" | bc -l)"
echo "pack: $(du -k "$pack" | cut -f1) KiB, install: $(du -sk "$work/install" | cut -f1) KiB"
