#!/usr/bin/env bash
# Installs what the build and the tests need on a fresh Debian machine:
# one package-list update, and only when something is missing. Packages
# named as arguments are installed along with them (scripts/build-windows.sh).
set -euo pipefail
if [ "$(id -u)" = 0 ]; then SUDO=""; else SUDO="sudo"; fi
packages=(cmake g++ pkg-config libgtest-dev libminizip-dev zlib1g-dev nlohmann-json3-dev
          llvm lld clang libclang-rt-14-dev binutils-mingw-w64-i686 zip unzip util-linux chromium gettext strace
          "$@")
need=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing: ${need[*]}"
  # One index that cannot be fetched (a mirror in the middle of a sync)
  # need not stop the set-up: the install says whether the packages could
  # be had from the lists there are.
  $SUDO apt-get update -qq ||
    echo "Warning: apt-get update reported errors; installing from the package lists as they are" >&2
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}" </dev/null
fi
