#!/usr/bin/env bash
# Builds packsmith and the sample install of the player from its .rc
# sources, makes the British English language pack from that install, and
# lists what the pack and its hash zip hold.
#
# Layout (all under build/):
#   build/packsmith          the tool (lgp_list.ini is created beside it)
#   build/docs, build/freeform  extra files the tool adds to every pack
#   build/sample/install     the compiled sample install
#   build/LangFiles          the language files, the pack and the hash zip
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
jobs="${JOBS:-2}"

"$root/scripts/setup.sh"

cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" --target packsmith -j "$jobs"

# Every <name>.rc under sample/install becomes the module <name> at the same
# place in build/sample/install; other files are copied as they are.
# windres compiles the sources that use MENUEX (llvm-rc cannot), llvm-rc the
# rest; lld-link makes each a resource-only i386 module.
src="$root/sample/install"
install="$build/sample/install"
work="$build/sample/obj"
rm -rf "$install" "$work"
mkdir -p "$install" "$work"
windres_cpp=""
command -v i686-w64-mingw32-gcc >/dev/null 2>&1 || windres_cpp="--preprocessor=cpp"
(cd "$src" && find . -type f | LC_ALL=C sort) | while read -r rel; do
  rel="${rel#./}"
  mkdir -p "$install/$(dirname "$rel")"
  case "$rel" in
    *.rc)
      module="${rel%.rc}"
      res="$work/$(echo "$module" | tr '/' '_').res"
      if grep -q MENUEX "$src/$rel"; then
        i686-w64-mingw32-windres $windres_cpp "$src/$rel" -O res -o "$res"
      else
        llvm-rc /nologo /fo "$res" -- "$src/$rel"
      fi
      lld-link /nologo /dll /noentry /machine:x86 "$res" "/out:$install/$module" "/implib:${res%.res}.lib"
      ;;
    *) cp "$src/$rel" "$install/$rel" ;;
  esac
done
rm -rf "$work"

# The extra files beside the tool that every pack carries.
rm -rf "$build/docs" "$build/freeform"
cp -r "$root/sample/tool/docs" "$root/sample/tool/freeform" "$build/"

echo
echo "\$ $build/packsmith $build/sample/install /lgp en-gb"
(cd "$build/.." && "$build/packsmith" "$build/sample/install" /lgp en-gb)
echo
zipinfo "$build/LangFiles/Nuvexa-en-gb-5_6_3_3234.lgp"
echo
zipinfo "$build/LangFiles/Nuvexa-en-gb-hash-5_6_3_3234.zip"
