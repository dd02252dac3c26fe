#!/usr/bin/env python3
"""Generates the benchmark inputs: a large module and an install of N
modules, each compiled from a generated .rc (llvm-rc + lld-link), with a
pack list beside the tool that lists every module.

Every module carries the same translatable resources (string tables, menus,
dialogs, accelerators) and a 160 KiB binary resource standing in for the
code and images of a real plug-in; its copies differ only in name."""
import os
import random
import subprocess
import sys

GUID = "{3F1C9A52-7E0B-4D6A-9B21-5C8E0D4F7A13}"


def rc_source(strings, dialogs, menus, blob, version=None, guid=GUID):
    out = ["#define IDC_STATIC -1", "STRINGTABLE", "BEGIN"]
    for i in range(1, strings + 1):
        out.append(f'  {i} "Color equalizer preset {i}: optimize the visualization"')
    out.append(f'  65535 "{guid}"')
    out.append("END")
    for d in range(dialogs):
        out.append(f"{100 + d} DIALOGEX 0, 0, 240, 120")
        out.append('STYLE 0x80C800C8')
        out.append(f'CAPTION "Colorize dialog {d}"')
        out.append('FONT 8, "MS Shell Dlg"')
        out.append("BEGIN")
        for c in range(12):
            out.append(f'  CONTROL "Minimize item {c}", {1000 + c}, "Button", 0x50010003, 7, {7 + 9 * c}, 200, 8')
        out.append("END")
    for m in range(menus):
        out.append(f"{300 + m} MENU")
        out.append("BEGIN")
        out.append('  POPUP "&Colors"')
        out.append("  BEGIN")
        for k in range(20):
            out.append(f'    MENUITEM "Equalizer setting {k}", {2000 + k}')
        out.append("  END")
        out.append("END")
    out.append("1 ACCELERATORS")
    out.append("BEGIN")
    for k in range(30):
        out.append(f'  "{chr(65 + k % 26)}", {3000 + k}, VIRTKEY, CONTROL')
    out.append("END")
    if version:
        a, b, c, d = version
        out += ["1 VERSIONINFO", f"FILEVERSION {a},{b},{c},{d}", f"PRODUCTVERSION {a},{b},{c},{d}",
                "BEGIN", '  BLOCK "StringFileInfo"', "  BEGIN", '    BLOCK "040904b0"', "    BEGIN",
                f'      VALUE "FileVersion", "{a}.{b}.{c}.{d}"', "    END", "  END",
                '  BLOCK "VarFileInfo"', "  BEGIN", '    VALUE "Translation", 0x409, 1200', "  END", "END"]
    out.append(f'500 RCDATA "{blob}"')
    return "\n".join(out) + "\n"


def compile_module(rc_text, work, out_path):
    rc = os.path.join(work, "m.rc")
    res = os.path.join(work, "m.res")
    with open(rc, "w") as f:
        f.write(rc_text)
    subprocess.run(["llvm-rc", "/nologo", "/fo", res, "--", rc], check=True)
    subprocess.run(["lld-link", "/nologo", "/dll", "/noentry", "/machine:x86", res, "/out:" + out_path],
                   check=True, stdout=subprocess.DEVNULL)


def main():
    root, count = sys.argv[1], int(sys.argv[2])
    for d in ("tool", "large", "install/plugins", "install/system", "gen"):
        os.makedirs(os.path.join(root, d), exist_ok=True)
    gen = os.path.join(root, "gen")
    rnd = random.Random(1234)
    blob = os.path.join(gen, "blob.bin")
    with open(blob, "wb") as f:
        f.write(bytes(rnd.getrandbits(8) for _ in range(160 * 1024)))

    compile_module(rc_source(4000, 150, 60, blob), gen, os.path.join(root, "large", "large.dll"))
    template = os.path.join(gen, "plugin.dll")
    compile_module(rc_source(200, 6, 3, blob), gen, template)
    # nuvexa.exe is in the default list's [Native] section: it carries that GUID.
    host_guid = GUID
    here = os.path.dirname(os.path.abspath(__file__))
    for line in open(os.path.join(here, "..", "resources", "lgp_list.ini"), encoding="cp1252"):
        if line.lower().startswith("nuvexa.exe="):
            host_guid = line.split("=", 1)[1].strip()
    compile_module(rc_source(200, 6, 3, blob, (5, 6, 3, 3234), host_guid), gen,
                   os.path.join(root, "install", "nuvexa.exe"))

    names = ["nuvexa.exe"]
    data = open(template, "rb").read()
    systems = max(1, count // 15)
    for i in range(count - 1):
        if i < systems:
            name, sub = f"core{i:03d}.nxs", "system"
        else:
            name, sub = f"plugin{i:03d}.dll", "plugins"
        with open(os.path.join(root, "install", sub, name), "wb") as f:
            f.write(data)
        names.append(name)
    with open(os.path.join(root, "tool", "lgp_list.ini"), "wb") as f:
        f.write(("[Bonus Bundle]\r\n" + "".join(f"{n}={GUID}\r\n" for n in names[1:])).encode("cp1252"))


if __name__ == "__main__":
    main()
