#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix of the tests' own: ctest's
# emulator for the cross-built tests, and the end-to-end tests' way of
# starting packsmith.exe. The prefix is booted once, with its output sent
# to /dev/null, and one persistent wineserver serves every run after it, so
# a run costs a process start, not a Wine start-up.
#   tests/wine/run.sh program.exe [arguments...]
set -uo pipefail
export WINEPREFIX="${PACKSMITH_WINEPREFIX:-${TMPDIR:-/tmp}/packsmith-wine-$(id -u)}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      wineboot -i >/dev/null 2>&1 </dev/null
      wineserver -w
    fi
  ) 9>"$WINEPREFIX.lock"
fi
wineserver -p >/dev/null 2>&1 </dev/null || true
exec wine "$@"
