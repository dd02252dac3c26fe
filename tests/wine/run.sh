#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix of the tests' own: ctest's
# emulator for the cross-built tests, and the end-to-end tests' way of
# starting packsmith.exe. x86-64 programs run in a 64-bit prefix, i386
# programs in a 32-bit one, each booted once with its output sent to
# /dev/null; one persistent wineserver serves every run after that, so a
# run costs a process start, not a Wine start-up.
#   tests/wine/run.sh program.exe [arguments...]
set -uo pipefail
program=$1
# The machine field of the PE header: 8664 for x86-64, 014c for i386.
pe=$(od -An -tu4 -j60 -N4 "$program" 2>/dev/null | tr -d ' ')
machine=$(od -An -tx2 -j$((${pe:-0} + 4)) -N2 "$program" 2>/dev/null | tr -d ' ')
if [ "$machine" = 014c ]; then
  export WINEARCH=win32 loader=/usr/lib/wine/wine
else
  export WINEARCH=win64 loader=/usr/lib/wine/wine64
fi
[ -x "$loader" ] || loader=wine
export WINEPREFIX="${PACKSMITH_WINEPREFIX:-${TMPDIR:-/tmp}/packsmith-wine-$(id -u)}-$WINEARCH"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINELOADER=$loader
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      "$loader" wineboot -i >/dev/null 2>&1 </dev/null
      wineserver -w
    fi
  ) 9>"$WINEPREFIX.lock"
fi
wineserver -p >/dev/null 2>&1 </dev/null || true
exec "$loader" "$@"
