#!/usr/bin/env bash
# Installs what the build and the tests need on a fresh Debian machine:
# one package-list update, and only when something is missing. Packages
# named as arguments are installed along with them (scripts/build-windows.sh).
set -euo pipefail
if [ "$(id -u)" = 0 ]; then SUDO=""; else SUDO="sudo"; fi
packages=(cmake g++ pkg-config libgtest-dev libminizip-dev zlib1g-dev
          llvm lld clang libclang-rt-14-dev binutils-mingw-w64-i686 zip unzip util-linux strace "$@")
need=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing: ${need[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}" </dev/null
fi
