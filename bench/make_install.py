#!/usr/bin/env python3
"""Generates the benchmark inputs under ROOT:

  install/       nuvexa.exe, plugins/*.dll and system/*.nxs: COUNT modules
                 (about 85 MB for 300), each with 800 strings, 10 dialogs,
                 4 MENUEX menus, an accelerator table, a 20 KB TEXT, the
                 resource editor's DESIGNINFO data and 150 KB of other data
                 standing in for the code and images of a real plug-in
  tool/          lgp_list.ini listing every module (the tool is copied here)
  large/         large.dll: the same resources with a 4 MB TEXT
  ini/keys.ini   65,540 numbered keys for /ini_tx

Modules are compiled from generated .rc sources with windres (MENUEX) and
lld-link. The plug-ins are copies of one module that differ only in name;
the texts use American spellings so that en-gb conversion changes them.

Usage: make_install.py ROOT [COUNT]"""
import os
import random
import shutil
import subprocess
import sys

GUID = "{3F1C9A52-7E0B-4D6A-9B21-5C8E0D4F7A13}"
STRINGS, DIALOGS, MENUS = 800, 10, 4
TEXT_BYTES, LARGE_TEXT_BYTES, BLOB_BYTES = 20 * 1024, 4 * 1024 * 1024, 150 * 1024
INI_KEYS = 65540

WORDS = ("color", "colors", "favorite", "optimize", "center", "behavior", "catalog", "dialog", "analyze", "gray",
         "the", "player", "shows", "your", "playlist", "when", "track", "ends", "and", "sound", "volume", "skin")


def text_file(path, size, rnd):
    """Plain single-byte text of `size` bytes in CR LF lines."""
    out = bytearray()
    while len(out) < size:
        line = " ".join(rnd.choice(WORDS) for _ in range(12)).capitalize() + ".\r\n"
        out += line.encode("ascii")
    with open(path, "wb") as f:
        f.write(bytes(out[:size]))


def rc_source(text, blob, version=None, guid=GUID):
    out = ["STRINGTABLE", "BEGIN"]
    for i in range(1, STRINGS + 1):
        out.append(f'  {i} "Color equalizer preset {i}: optimize the visualization"')
    out.append(f'  65535 "{guid}"')
    out.append("END")
    for d in range(DIALOGS):
        out += [f"{100 + d} DIALOGEX 0, 0, 240, 120", "STYLE 0x80C800C8", f'CAPTION "Colorize dialog {d}"',
                'FONT 8, "MS Shell Dlg"', "BEGIN"]
        for c in range(12):
            out.append(f'  CONTROL "Minimize item {c}", {1000 + c}, "Button", 0x50010003, 7, {7 + 9 * c}, 200, 8')
        out.append("END")
    for m in range(MENUS):
        out += [f"{300 + m} MENUEX", "BEGIN", f'  POPUP "&Colors {m}", {1900 + m}, 0, 0, 0', "  BEGIN"]
        for k in range(20):
            out.append(f'    MENUITEM "Equalizer setting {k}", {2000 + k}')
        out += ["  END", '  MENUITEM "Favorite &gray", 2100', "END"]
    out += ["1 ACCELERATORS", "BEGIN"]
    for k in range(30):
        out.append(f'  "{chr(65 + k % 26)}", {3000 + k}, VIRTKEY, CONTROL')
    out.append("END")
    if version:
        a, b, c, d = version
        out += ["1 VERSIONINFO", f"FILEVERSION {a},{b},{c},{d}", f"PRODUCTVERSION {a},{b},{c},{d}",
                "BEGIN", '  BLOCK "StringFileInfo"', "  BEGIN", '    BLOCK "040904b0"', "    BEGIN",
                f'      VALUE "FileVersion", "{a}.{b}.{c}.{d}"', "    END", "  END",
                '  BLOCK "VarFileInfo"', "  BEGIN", '    VALUE "Translation", 0x409, 1200', "  END", "END"]
    out += [f'1 TEXT "{text}"', "GUIDELINES DESIGNINFO", "BEGIN", '  "guides for 10 dialogs\\0"', "END",
            f'500 RCDATA "{blob}"']
    return "\n".join(out) + "\n"


def compile_module(rc_text, work, out_path):
    rc = os.path.join(work, "m.rc")
    res = os.path.join(work, "m.res")
    with open(rc, "w") as f:
        f.write(rc_text)
    windres = ["i686-w64-mingw32-windres"]
    if not shutil.which("i686-w64-mingw32-gcc"):
        windres.append("--preprocessor=cpp")
    subprocess.run(windres + [rc, "-O", "res", "-o", res], check=True, cwd=work)
    subprocess.run(["lld-link", "/nologo", "/dll", "/noentry", "/machine:x86", res, "/out:" + out_path,
                    "/implib:" + os.path.join(work, "m.lib")], check=True, stdout=subprocess.DEVNULL, cwd=work)


def main():
    root, count = sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 300
    for d in ("tool", "large", "install/plugins", "install/system", "gen", "ini"):
        os.makedirs(os.path.join(root, d), exist_ok=True)
    gen = os.path.join(root, "gen")
    rnd = random.Random(1234)
    blob = os.path.join(gen, "blob.bin")
    with open(blob, "wb") as f:
        f.write(rnd.randbytes(BLOB_BYTES))
    text = os.path.join(gen, "text.txt")
    text_file(text, TEXT_BYTES, rnd)
    large_text = os.path.join(gen, "large.txt")
    text_file(large_text, LARGE_TEXT_BYTES, rnd)

    compile_module(rc_source(large_text, blob), gen, os.path.join(root, "large", "large.dll"))
    template = os.path.join(gen, "plugin.dll")
    compile_module(rc_source(text, blob), gen, template)
    # nuvexa.exe is in the default list's [Native] section: it carries that GUID.
    host_guid = GUID
    here = os.path.dirname(os.path.abspath(__file__))
    for line in open(os.path.join(here, "..", "resources", "lgp_list.ini"), encoding="cp1252"):
        if line.lower().startswith("nuvexa.exe="):
            host_guid = line.split("=", 1)[1].strip()
    compile_module(rc_source(text, blob, (5, 6, 3, 3234), host_guid), gen, os.path.join(root, "install", "nuvexa.exe"))

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
    with open(os.path.join(root, "ini", "keys.ini"), "wb") as f:
        f.write(("[Strings]\r\n" + "".join(f"{k}=Translated string number {k}\r\n"
                                          for k in range(1, INI_KEYS + 1))).encode("cp1252"))
    shutil.rmtree(gen)


if __name__ == "__main__":
    main()
