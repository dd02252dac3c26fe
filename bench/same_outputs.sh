#!/usr/bin/env bash
# Runs every command on the benchmark install with two builds of the tool and
# says whether they print and write the same bytes: the check that a change
# meant to keep behaviour kept it. Archives are compared by their entries
# (names, order, sizes, CRCs, methods, attributes and contents), not by the
# entries' times, which are those of the run.
# Usage: bench/same_outputs.sh OLD_PACKSMITH NEW_PACKSMITH [modules]
set -euo pipefail
old=$(realpath "$1")
new=$(realpath "$2")
modules=${3:-300}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/pssame.XXXXXX")
trap 'rm -rf "$work"' EXIT
python3 "$here/make_install.py" "$work/source" "$modules" >/dev/null

# One build's run of every command, in $work/run, kept as $work/$2.
run_all() {
  rm -rf "$work/run"
  cp -a "$work/source" "$work/run"
  cp "$1" "$work/run/tool/packsmith"
  cd "$work/run"
  local tool=./tool/packsmith n=0 pack=tool/LangFiles/Nuvexa-en-gb-5_6_3_3234.lgp
  mkdir out
  step() { n=$((n + 1)); "$tool" "$@" >"out/$(printf %02d "$n").txt" 2>&1 || echo "exit $?" >>"out/$(printf %02d "$n").txt"; }
  step install /lgp en-gb
  step install /lgp en-gb /compress
  step install /diff "$pack"
  step install /diff install /folder=same
  step install /check "$pack" /folder=checked
  step install /po_export /folder=templates
  step install /po_export "$pack" /folder=po
  step install /po_import po fr /folder=imported
  mkdir zipped && cp tool/LangFiles/*.lng zipped/
  step zipped /zipup zipped.lgp
  cp tool/LangFiles/nuvexa.lng ini.lng
  step ini.lng /ini_tx ini/keys.ini
  step large/large.dll /build /folder=large_out en-gb
  step large_out/large.lng /clear
  mkdir cleaned && cp imported/*.lng cleaned/
  step cleaned /clean
  rm tool/packsmith
  # Archives become listings without times, and their contents.
  find . -type f \( -name '*.lgp' -o -name '*.zip' \) | sort | while read -r archive; do
    zipinfo -v "$archive" | grep -v -e 'file last modified' -e '^Archive:' -e 'MS-DOS time' >"$archive.info"
    mkdir "$archive.d" && (cd "$archive.d" && unzip -qq "../$(basename "$archive")")
    rm "$archive"
  done
  # The reports and messages name the run's own paths, which are the same
  # for both builds.
  cd "$work"
  mv run "$2"
}

run_all "$old" old
run_all "$new" new
if diff -r "$work/old" "$work/new" >"$work/differences"; then
  echo "same outputs: $(find "$work/new/out" -type f | wc -l) commands, $(find "$work/new" -type f | wc -l) files"
else
  head -50 "$work/differences"
  echo "the outputs differ"
  exit 1
fi
