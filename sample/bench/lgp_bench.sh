#!/usr/bin/env bash
# Benchmark: /lgp over a generated install of many modules against
# `zip -q -r` of the same install, side by side in one run.
#   sample/bench/lgp_bench.sh [packsmith executable] [module count]
# Every module is one compiled resource DLL (see below) copied under its
# own name; the pack list beside a copy of the tool names them all in
# [Bonus Bundle].
set -euo pipefail

root="$(cd "$(dirname "$0")/../.." && pwd)"
exe="${1:-$root/build/packsmith}"
count="${2:-300}"
guid="{7D3F0C2E-5B8A-4E61-9A47-C2B1E08F6D53}"

# BENCH_DIR keeps the generated install and outputs for a closer look.
if [ -n "${BENCH_DIR:-}" ]; then
  work="$BENCH_DIR"
  rm -rf "$work"
else
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
fi
mkdir -p "$work/tool" "$work/install/plugins" "$work/obj"
cp "$exe" "$work/tool/packsmith"

# One module source: about 180 KB of machine code standing in for the
# module's code (a slice of the tool's own executable, as RCDATA, which
# language files do not take), 400 strings with US spellings, a menu and a
# dialog: roughly 200 KB, like a plug-in of the player.
head -c 180000 "$exe" > "$work/obj/code.bin"
{
  echo "300 RCDATA \"code.bin\""
  echo "STRINGTABLE"
  echo "BEGIN"
  for ((i = 1; i <= 400; i++)); do
    echo "  $i \"Customize the color of item $i (optimized)\""
  done
  echo "  65535 \"$guid\""
  echo "END"
  echo "100 MENU"
  echo "BEGIN"
  echo "  POPUP \"&View\""
  echo "  BEGIN"
  echo "    MENUITEM \"&Color Themes...\", 101"
  echo "    MENUITEM \"&Equalizer\", 102"
  echo "  END"
  echo "END"
  echo "200 DIALOG 0, 0, 200, 60"
  echo "STYLE 0x80C80880"
  echo "CAPTION \"Customize\""
  echo "FONT 8, \"MS Shell Dlg\""
  echo "BEGIN"
  echo "  LTEXT \"Normalize the volume\", 201, 8, 8, 180, 10"
  echo "  DEFPUSHBUTTON \"OK\", 1, 70, 40, 50, 14"
  echo "END"
} > "$work/obj/module.rc"
(cd "$work/obj" && llvm-rc /nologo /fo "$work/obj/module.res" "$work/obj/module.rc")
lld-link /nologo /dll /noentry /machine:x86 "$work/obj/module.res" "/out:$work/obj/module.dll" \
  "/implib:$work/obj/module.lib"

list="$work/tool/lgp_list.ini"
printf '[Bonus Bundle]\r\n' > "$list"
for ((i = 1; i <= count; i++)); do
  name="$(printf 'module%03d.dll' "$i")"
  cp "$work/obj/module.dll" "$work/install/plugins/$name"
  printf '%s=%s\r\n' "$name" "$guid" >> "$list"
done
size="$(du -sm "$work/install" | cut -f1)"

TIMEFORMAT=%R
lgp_time="$( { time "$work/tool/packsmith" "$work/install" /lgp en-gb /nomsgs >/dev/null; } 2>&1 )"
zip_time="$( { time (cd "$work" && zip -q -r "$work/install.zip" install); } 2>&1 )"
entries="$(zipinfo -1 "$work/tool/LangFiles/Nuvexa-en-gb-_no_version_.lgp" | wc -l)"

echo "modules: $count, install: ${size} MB, pack entries: $entries"
echo "/lgp en-gb: ${lgp_time} s"
echo "zip -q -r:  ${zip_time} s"
awk -v a="$lgp_time" -v b="$zip_time" 'BEGIN { printf "ratio /lgp : zip = %.2f\n", a / b }'
