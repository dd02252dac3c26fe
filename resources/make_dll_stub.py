#!/usr/bin/env python3
"""Writes dll_stub.bin: the stub module every language file starts from.

    python3 resources/make_dll_stub.py [output]   (default: resources/dll_stub.bin)

The stub is a minimal i386 Windows DLL of 2560 bytes, assembled here field by
field so that it can be reproduced without a Windows toolchain:

  headers  0x000-0x3ff  DOS header and a short DOS program, PE headers
                        (image base 0x10000000, subsystem Windows GUI), a
                        section table with room for more sections
  .text    0x400-0x5ff  RVA 0x1000: the entry point
  .rdata   0x600-0x7ff  RVA 0x2000: import of DisableThreadLibraryCalls
                        from KERNEL32.dll (address table, descriptor,
                        lookup table, hint/name, library name)
  .reloc   0x800-0x9ff  RVA 0x3000: one HIGHLOW fix-up for the absolute
                        address table reference in the entry point

No exports and no resources. The entry point is DllMain(hinst, reason,
reserved) with the stdcall convention:

    mov   eax, [esp+8]          ; reason
    cmp   eax, 1                ; DLL_PROCESS_ATTACH
    jne   done
    push  dword [esp+4]         ; hinst
    call  [DisableThreadLibraryCalls]
  done:
    mov   eax, 1                ; TRUE for every reason
    ret   12

Time stamps are zero so the output is the same on every run.
"""
import struct
import sys

IMAGE_BASE = 0x10000000
SECTION_ALIGNMENT = 0x1000
FILE_ALIGNMENT = 0x200
HEADERS_SIZE = 0x400
FILE_SIZE = 2560

TEXT_RVA, RDATA_RVA, RELOC_RVA = 0x1000, 0x2000, 0x3000
TEXT_RAW, RDATA_RAW, RELOC_RAW = 0x400, 0x600, 0x800
PE_OFFSET = 0x80


def dos_header():
    # e_magic, e_cblp, e_cp, e_crlc, e_cparhdr, e_minalloc, e_maxalloc, e_ss,
    # e_sp, e_csum, e_ip, e_cs, e_lfarlc, e_ovno; reserved; e_lfanew.
    header = struct.pack("<2s13H", b"MZ", PE_OFFSET, 1, 0, 4, 0, 0xFFFF, 0, 0xB8, 0, 0, 0, 0x40, 0)
    header += bytes(0x3C - len(header)) + struct.pack("<I", PE_OFFSET)
    # A 16-bit program that prints a line and exits with 1.
    message = b"This DLL is a language file stub.\r\n$"
    program = bytes([0x0E, 0x1F,               # push cs; pop ds
                     0xBA, 0x0E, 0x00,         # mov dx, message (offset 0x0e)
                     0xB4, 0x09, 0xCD, 0x21,   # mov ah, 9; int 21h
                     0xB8, 0x01, 0x4C, 0xCD, 0x21,  # mov ax, 4c01h; int 21h
                     ]) + message
    stub = header + program
    assert len(stub) <= PE_OFFSET
    return stub + bytes(PE_OFFSET - len(stub))


def text_section(iat_entry_va):
    code = bytes([0x8B, 0x44, 0x24, 0x08,   # mov eax, [esp+8]
                  0x83, 0xF8, 0x01,         # cmp eax, 1
                  0x75, 0x0A,               # jne done
                  0xFF, 0x74, 0x24, 0x04,   # push dword [esp+4]
                  0xFF, 0x15]) + struct.pack("<I", iat_entry_va) + bytes([  # call [iat]
                  0xB8, 0x01, 0x00, 0x00, 0x00,  # done: mov eax, 1
                  0xC2, 0x0C, 0x00])             # ret 12
    fixup_offset = 15  # the absolute address inside "call [iat]"
    return code, fixup_offset


def rdata_section():
    iat = RDATA_RVA                 # 8 bytes: one thunk and the terminator
    descriptors = iat + 8           # 2 * 20 bytes: KERNEL32.dll and the terminator
    ilt = descriptors + 40          # 8 bytes
    hint_name = ilt + 8
    function = b"DisableThreadLibraryCalls\0"
    library_name = hint_name + 2 + len(function)
    library_name += library_name & 1
    library = b"KERNEL32.dll\0"

    data = struct.pack("<II", hint_name, 0)
    data += struct.pack("<IIIII", ilt, 0, 0, library_name, iat) + bytes(20)
    data += struct.pack("<II", hint_name, 0)
    data += struct.pack("<H", 0) + function
    data += bytes(library_name - RDATA_RVA - len(data)) + library
    return data, iat, descriptors


def reloc_section(fixup_rva):
    page = fixup_rva & ~0xFFF
    entries = [(3 << 12) | (fixup_rva - page), 0]  # IMAGE_REL_BASED_HIGHLOW, padding
    return struct.pack("<II", page, 8 + 2 * len(entries)) + struct.pack("<%dH" % len(entries), *entries)


def section_header(name, virtual_size, rva, raw_size, raw_pointer, characteristics):
    return struct.pack("<8sIIIIIIHHI", name, virtual_size, rva, raw_size, raw_pointer, 0, 0, 0, 0,
                       characteristics)


def checksum(image, field_offset):
    total = 0
    for i in range(0, len(image), 2):
        if field_offset <= i < field_offset + 4:
            continue
        total += image[i] | (image[i + 1] << 8 if i + 1 < len(image) else 0)
        total = (total & 0xFFFF) + (total >> 16)
    total = (total & 0xFFFF) + (total >> 16)
    return total + len(image)


def build():
    rdata, iat, import_directory = rdata_section()
    code, fixup_offset = text_section(IMAGE_BASE + iat)
    reloc = reloc_section(TEXT_RVA + fixup_offset)

    file_header = struct.pack("<HHIIIHH",
                              0x014C,  # IMAGE_FILE_MACHINE_I386
                              3,       # sections
                              0, 0, 0,
                              0xE0,    # size of the optional header
                              0x2102)  # EXECUTABLE_IMAGE | 32BIT_MACHINE | DLL
    directories = [(0, 0)] * 16
    directories[1] = (import_directory, 40)   # import table
    directories[5] = (RELOC_RVA, len(reloc))  # base relocation table
    directories[12] = (iat, 8)                # import address table
    optional = struct.pack("<HBBIIIIIIIIIHHHHHHIIIIHHIIIIII",
                           0x10B, 1, 0,                    # PE32, linker version
                           FILE_ALIGNMENT,                 # size of code
                           2 * FILE_ALIGNMENT,             # size of initialized data
                           0,
                           TEXT_RVA, TEXT_RVA, RDATA_RVA,  # entry point, base of code, base of data
                           IMAGE_BASE, SECTION_ALIGNMENT, FILE_ALIGNMENT,
                           5, 1, 0, 0, 5, 1,               # OS, image and subsystem versions
                           0,
                           RELOC_RVA + SECTION_ALIGNMENT,  # size of image
                           HEADERS_SIZE,
                           0,                              # checksum, filled in below
                           2,                              # IMAGE_SUBSYSTEM_WINDOWS_GUI
                           0x0540,                         # DYNAMIC_BASE | NX_COMPAT | NO_SEH
                           0x100000, 0x1000, 0x100000, 0x1000,
                           0, 16)
    optional += b"".join(struct.pack("<II", rva, size) for rva, size in directories)
    sections = (section_header(b".text", len(code), TEXT_RVA, FILE_ALIGNMENT, TEXT_RAW, 0x60000020) +
                section_header(b".rdata", len(rdata), RDATA_RVA, FILE_ALIGNMENT, RDATA_RAW, 0x40000040) +
                section_header(b".reloc", len(reloc), RELOC_RVA, FILE_ALIGNMENT, RELOC_RAW, 0x42000040))

    headers = dos_header() + b"PE\0\0" + file_header + optional + sections
    image = bytearray(headers + bytes(HEADERS_SIZE - len(headers)))
    for raw in (code, rdata, reloc):
        image += raw + bytes(FILE_ALIGNMENT - len(raw))
    assert len(image) == FILE_SIZE
    checksum_offset = PE_OFFSET + 4 + len(file_header) + 64
    struct.pack_into("<I", image, checksum_offset, checksum(image, checksum_offset))
    return bytes(image)


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else __file__.rsplit("/", 1)[0] + "/dll_stub.bin"
    with open(out, "wb") as f:
        f.write(build())
