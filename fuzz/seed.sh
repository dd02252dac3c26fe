#!/usr/bin/env bash
# Seeds fuzz/corpus/<target>/ from the sample install and the pack that
# scripts/sample.sh makes of it (run that first; BUILD_DIR as there).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
corpus="$root/fuzz/corpus"
mkdir -p "$corpus"/{module,codecs,profile,extract,build,diff,po}
python3 - "$build" "$corpus" "$root" <<'PY'
import glob, os, struct, sys
build, corpus, root = sys.argv[1:4]
modules = sorted(glob.glob(f"{build}/sample/install/**/*.*", recursive=True))
modules = [m for m in modules if m.lower().endswith((".exe", ".dll", ".nxs"))]
lngs = {os.path.basename(p)[:-4].lower(): p for p in glob.glob(f"{build}/LangFiles/*.lng")}
for i, m in enumerate(modules):
    data = open(m, "rb").read()
    open(f"{corpus}/module/{i:03d}", "wb").write(data)
    open(f"{corpus}/build/{i:03d}", "wb").write(bytes([1 + i % 3]) + data)
    lng = lngs.get(os.path.splitext(os.path.basename(m))[0].lower())
    if lng and len(data) < 65536:
        open(f"{corpus}/diff/{i:03d}", "wb").write(struct.pack("<H", len(data)) + data + open(lng, "rb").read())
for i, z in enumerate(sorted(glob.glob(f"{build}/LangFiles/*.lgp") + glob.glob(f"{build}/LangFiles/*.zip"))):
    open(f"{corpus}/extract/{i:03d}", "wb").write(open(z, "rb").read())
for i, ini in enumerate([f"{root}/resources/lgp_list.ini"] + sorted(glob.glob(f"{root}/tests/fixtures/**/*.ini", recursive=True))):
    open(f"{corpus}/profile/{i:03d}", "wb").write(open(ini, "rb").read())
# PO files: what /po_export writes of the sample's pack (build/Po, when made).
for i, po in enumerate(sorted(glob.glob(f"{build}/Po/*.po*"))):
    open(f"{corpus}/po/{i:03d}", "wb").write(open(po, "rb").read())
PY
echo "seeded: $(ls "$corpus"/* | wc -l) files"
