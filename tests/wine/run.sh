#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix of the tests' own: ctest's
# emulator for the cross-built tests, and the end-to-end tests' way of
# starting packsmith.exe. x86-64 programs run in a 64-bit prefix, i386
# programs in a 32-bit one, each booted once with its output sent to
# /dev/null; one persistent wineserver, with the prefix's services, serves
# every run after that, so a run costs a process start, not a Wine start-up.
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
# Closes every descriptor above 2 in a subshell that then starts a part of
# Wine that outlives this run (the server, the prefix's services): a pipe or
# lock they inherited would stay open, and ctest waits for the end of a
# test's output, the next run for the lock.
close_ours() {
  local fd
  for fd in /proc/$BASHPID/fd/*; do
    fd=${fd##*/}
    [ "$fd" -gt 2 ] && eval "exec $fd>&-"
  done
}
# The persistent server of this prefix, started by this script and known by
# its process number.
server_running() {
  local pid
  pid=$(cat "$WINEPREFIX.server" 2>/dev/null) || return 1
  [ -n "$pid" ] && grep -q wineserver "/proc/$pid/cmdline" 2>/dev/null
}
if ! server_running; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if ! server_running; then
      if [ ! -f "$WINEPREFIX/system.reg" ]; then
        (close_ours; exec "$loader" wineboot -i </dev/null >/dev/null 2>&1)
        (close_ours; exec wineserver -w </dev/null >/dev/null 2>&1)
      fi
      (close_ours; exec setsid wineserver -f -p </dev/null >/dev/null 2>&1) &
      server=$!
      echo $server >"$WINEPREFIX.server"
      # Waits for its socket, so that wineboot does not start a server of
      # its own.
      for _ in $(seq 100); do
        ls -l "/proc/$server/fd" 2>/dev/null | grep -q socket && break
        sleep 0.05
      done
      # Starts the prefix's services now, detached, rather than in the first
      # program's run, which would hand them its output.
      (close_ours; exec "$loader" wineboot </dev/null >/dev/null 2>&1)
    fi
  ) 9>"$WINEPREFIX.lock"
fi
exec "$loader" "$@"
