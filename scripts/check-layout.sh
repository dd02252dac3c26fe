#!/usr/bin/env bash
# The layout's rules, checked over the includes of src/ (run by ctest as
# Layout.Rules, and by hand from anywhere):
# - only src/os includes a POSIX or Win32 system header or tests the
#   platform with #ifdef;
# - src/text includes nothing of the project's other folders, src/pe only
#   src/text, so both build and are tested on bytes alone;
# - a command flow is called only by the dispatcher: a file that includes
#   driver/flows.h (besides dispatch.cpp) defines a flow and calls no other.
set -uo pipefail
cd "$(dirname "$0")/../src"
status=0
fail() { echo "layout: $*"; status=1; }

system='(unistd|fcntl|dirent|pthread|sched|signal|malloc|io|direct|windows|winbase|shlobj|shellapi|shlwapi|objbase|rpc|csignal)\.h|sys/[a-z_]+\.h'
while IFS= read -r hit; do fail "system header outside src/os: $hit"; done < <(
  grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*<($system)>" --include='*.h' --include='*.cpp' . | grep -v '^\./os/')
while IFS= read -r hit; do fail "platform test outside src/os: $hit"; done < <(
  grep -rnE '^[[:space:]]*#[[:space:]]*(if|ifdef|ifndef|elif).*(_WIN32|_WIN64|__linux__|__unix__|__APPLE__|_MSC_VER|__MINGW)' \
    --include='*.h' --include='*.cpp' . | grep -v '^\./os/')

project_include() { grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' --include='*.h' --include='*.cpp' "$1"; }
while IFS= read -r hit; do fail "src/text reaches another folder: $hit"; done < <(
  project_include text | grep -vE '#[[:space:]]*include[[:space:]]*"text/')
while IFS= read -r hit; do fail "src/pe reaches beyond src/text: $hit"; done < <(
  project_include pe | grep -vE '#[[:space:]]*include[[:space:]]*"(pe|text)/')

flows=$(grep -oE '^[A-Za-z_:<>]+[[:space:]]+[A-Z][A-Za-z]*Command\(' driver/flows.h | grep -oE '[A-Z][A-Za-z]*Command')
for file in $(grep -rlE '#[[:space:]]*include[[:space:]]*"driver/flows.h"' --include='*.cpp' --include='*.h' . | sort); do
  [ "$file" = ./driver/dispatch.cpp ] && continue
  defined=0
  for flow in $flows; do
    if grep -qE "^[A-Za-z_:<>]+[[:space:]]+$flow\(" "$file"; then
      defined=1
    elif grep -qE "\b$flow\(" "$file"; then
      fail "$file calls the command flow $flow"
    fi
  done
  [ "$defined" = 1 ] || fail "$file includes driver/flows.h but defines no command flow"
done
[ "$status" = 0 ] && echo "layout: every rule holds"
exit "$status"
