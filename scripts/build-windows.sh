#!/usr/bin/env bash
# Cross-builds packsmith.exe for Windows from Debian:
#   build-windows/packsmith.exe        x86-64
#   build-windows-i686/packsmith.exe   i686 (32-bit)
# Installs the mingw-w64 compilers (posix threads), zlib for mingw and Wine,
# builds minizip from Debian's own source package (the version of Debian's
# libminizip-dev) and, with --tests, GoogleTest from Debian's googletest
# source, then the test binaries and runs them under Wine.
#   bash scripts/build-windows.sh [--tests]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
tests=OFF
[ "${1:-}" = "--tests" ] && tests=ON
if [ "$(id -u)" = 0 ]; then SUDO=""; else SUDO="sudo"; fi

bash scripts/setup.sh g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix \
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 libz-mingw-w64-dev \
  dpkg-dev wine wine64 googletest

# With the tests, Wine for 32-bit programs too, where the kernel runs them:
# the i686 tests are skipped (scripts/test-windows.sh) when it cannot. The
# i386 architecture added for it goes again when wine32 cannot be
# installed: left behind, its indexes would be fetched by every later
# apt-get update on this machine, and fail it whenever they fail.
if [ "$tests" = ON ] && ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
  echo "Installing: wine32:i386"
  added_i386=no
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386 && added_i386=yes
  fi
  $SUDO apt-get update -qq ||
    echo "Warning: apt-get update reported errors; installing from the package lists as they are" >&2
  if ! DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq wine32:i386 </dev/null; then
    echo "wine32 could not be installed: the i686 tests will be skipped"
    if [ "$added_i386" = yes ]; then
      $SUDO dpkg --remove-architecture i386 || echo "Warning: the i386 architecture could not be removed again" >&2
    fi
  fi
fi

# minizip's source, pinned to the version of the libminizip-dev the Linux
# build uses. Source packages come from the machine's own Debian sources,
# with the type deb-src added.
deps="$root/build-windows-deps"
version=$(dpkg-query -W -f='${Version}' libminizip-dev)
source_pkg=$(dpkg-query -W -f='${source:Package}' libminizip-dev)
src="$deps/source-$version"
if [ ! -f "$src/zip.c" ]; then
  if ! apt-get source --print-uris "$source_pkg=$version" >/dev/null 2>&1; then
    list=/etc/apt/sources.list.d/packsmith-deb-src.sources
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      sed -e 's/^Types: *deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $SUDO tee "$list" >/dev/null
    elif [ -f /etc/apt/sources.list ]; then
      grep -E '^deb ' /etc/apt/sources.list | sed -e 's/^deb /deb-src /' | $SUDO tee "${list%.sources}.list" >/dev/null
    fi
    $SUDO apt-get update -qq ||
      echo "Warning: apt-get update reported errors; looking for the source in the lists as they are" >&2
  fi
  rm -rf "$deps/download" && mkdir -p "$deps/download"
  (cd "$deps/download" && apt-get source -qq --download-only "$source_pkg=$version" 2>/dev/null)
  rm -rf "$src"
  # apt-get checked the files against the signed release; the keyring that
  # would verify the .dsc itself is not installed.
  dpkg-source --no-check -x "$deps/download/"*.dsc "$src" >/dev/null
fi

build_deps() {  # triple
  local triple=$1 prefix="$deps/$1"
  # The JSON library is header-only: Debian's copy of its headers and CMake
  # package goes into the cross prefix, so that the cross build finds it
  # there without searching the host's /usr/include.
  if [ ! -f "$prefix/include/nlohmann/json.hpp" ] || [ ! -d "$prefix/share/cmake/nlohmann_json" ]; then
    mkdir -p "$prefix/include" "$prefix/share/cmake"
    cp -r /usr/include/nlohmann "$prefix/include/"
    cp -r /usr/share/cmake/nlohmann_json "$prefix/share/cmake/"
  fi
  if [ ! -f "$prefix/lib/libminizip.a" ]; then
    cmake -S cmake/minizip -B "$deps/build-minizip-$triple" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-${triple%%-*}.cmake" \
      -DPACKSMITH_WINDOWS_PREFIX="$prefix" -DCMAKE_INSTALL_PREFIX="$prefix" \
      -DMINIZIP_SOURCE_DIR="$src" -DMINIZIP_VERSION="${version%%-*}" >/dev/null
    cmake --build "$deps/build-minizip-$triple" -j2 >/dev/null
    cmake --install "$deps/build-minizip-$triple" >/dev/null
  fi
  if [ "$tests" = ON ] && [ ! -f "$prefix/lib/libgtest.a" ]; then
    cmake -S /usr/src/googletest -B "$deps/build-gtest-$triple" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-${triple%%-*}.cmake" \
      -DPACKSMITH_WINDOWS_PREFIX="$prefix" -DCMAKE_INSTALL_PREFIX="$prefix" \
      -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=OFF >/dev/null
    cmake --build "$deps/build-gtest-$triple" -j2 >/dev/null
    cmake --install "$deps/build-gtest-$triple" >/dev/null
  fi
}

build_target() {  # triple, build folder
  local triple=$1 out=$2 prefix="$deps/$1"
  build_deps "$triple"
  cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-${triple%%-*}.cmake" \
    -DPACKSMITH_WINDOWS_PREFIX="$prefix" -DPACKSMITH_TESTS=$tests >/dev/null
  cmake --build "$out" -j2
}

build_target x86_64-w64-mingw32 build-windows
build_target i686-w64-mingw32 build-windows-i686
echo "Built build-windows/packsmith.exe and build-windows-i686/packsmith.exe"
