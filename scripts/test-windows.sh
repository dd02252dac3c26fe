#!/usr/bin/env bash
# The Windows build's tests, on Linux under Wine:
#   1. the unit tests of the platform layer, profiles, the zip writer and
#      the text rules, cross-built for x86-64 (and for i686 where this
#      machine runs 32-bit Windows programs), run by ctest through Wine;
#   2. the whole Linux test suite again with its end-to-end tests driving
#      build-windows/packsmith.exe under Wine (PACKSMITH_WINDOWS_EXE), and
#      the parity test, which runs both builds on the same inputs and
#      compares every byte they write.
# Fails when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build-windows.sh --tests
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
# A test that fails is run once more: under Wine a program has been seen
# to end at once with no output, once in a few hundred runs, while the
# prefix was new; a real failure fails both times.
ctest --test-dir build-windows --output-on-failure -j2 --repeat until-pass:2
if tests/wine/run.sh build-windows-i686/packsmith.exe /help >/dev/null 2>&1; then
  ctest --test-dir build-windows-i686 --output-on-failure -j2 --repeat until-pass:2
else
  echo "Skipped the i686 tests: this machine cannot run 32-bit Windows programs under Wine"
fi
PACKSMITH_WINDOWS_EXE="$(pwd)/build-windows/packsmith.exe" ctest --test-dir build --output-on-failure -j2 \
  --repeat until-pass:2
