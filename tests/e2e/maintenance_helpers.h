// Shared by the /ini_tx, /clear and /clean tests: the resources of a module
// read back through the engine, and the raw bytes of its sections.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "lngfile/string_block.h"
#include "pe/byte_reader.h"
#include "lngfile/resource_access.h"
#include "text/text.h"
#include "support/harness.h"
#include "support/resource_listing.h"

namespace maintenance {

inline std::string FixturePath(const std::string& name) {
  return std::string(PACKSMITH_FIXTURE_DIR) + "/maintenance/" + name;
}
inline std::string Fixture(const std::string& name) { return harness::ReadFile(FixturePath(name)); }

inline ModulePtr Open(const std::string& path) { return OpenModule(Utf8ToWide(path)); }

inline std::string IdText(const ResId& id) {
  return id.isName ? WideToUtf8(id.name) : "#" + std::to_string(id.id);
}

// Every resource of the module in enumeration order: "type/name/lang" and
// its bytes.
inline std::map<std::string, std::vector<uint8_t>> AllResources(const std::string& path) {
  std::map<std::string, std::vector<uint8_t>> out;
  for (listing::Resource& r : listing::ModuleResources(path))
    out[r.type + "/" + r.name + "/" + std::to_string(r.lang)] = std::move(r.data);
  return out;
}

inline std::vector<uint16_t> Languages(const std::string& path, const ResId& type, const ResId& name) {
  ModulePtr module = Open(path);
  return module ? EnumResourceLanguages(*module, type, name) : std::vector<uint16_t>{};
}
inline std::vector<uint16_t> BlockLanguages(const std::string& path, uint16_t block) {
  return Languages(path, ResId::Int(kRtString), ResId::Int(block));
}

// The 16 strings of a block in one language; the raw bytes in `raw`.
inline std::array<WString, 16> BlockStrings(const std::string& path, uint16_t block, uint16_t lang,
                                            std::vector<uint8_t>* raw = nullptr) {
  StringBlock strings;
  ModulePtr module = Open(path);
  ByteSpan data;
  uint16_t found = 0;
  EXPECT_TRUE(module && FindResourceLang(*module, ResId::Int(kRtString), ResId::Int(block), lang, data, &found) &&
              found == lang)
      << "block " << block << " language " << lang;
  EXPECT_TRUE(ReadStringBlock(data, strings));
  if (raw) raw->assign(data.begin(), data.end());
  return strings.strings;
}

// String `id` as the loader sees it (default language); empty when absent.
inline WString LoadedString(const Module& module, uint32_t id) {
  WString text;
  LoadModuleString(module, id, text);
  return text;
}

// The raw bytes of every section by name, read from the section table.
inline std::map<std::string, std::vector<uint8_t>> SectionBytes(const std::string& path) {
  std::map<std::string, std::vector<uint8_t>> out;
  const std::vector<uint8_t> file = harness::ReadBytes(path);
  ByteReader r(file);
  uint32_t peOffset = 0;
  uint16_t sections = 0, optionalSize = 0;
  if (!r.PeekU32At(0x3C, peOffset) || !r.Seek(peOffset + 6) || !r.U16(sections) || !r.Seek(peOffset + 20) ||
      !r.U16(optionalSize) || !r.Seek(peOffset + 24 + optionalSize)) {
    ADD_FAILURE() << "no section table in " << path;
    return out;
  }
  for (uint16_t i = 0; i < sections; ++i) {
    ByteSpan name;
    uint32_t virtualSize, address, rawSize, rawOffset;
    if (!r.Bytes(8, name) || !r.U32(virtualSize) || !r.U32(address) || !r.U32(rawSize) || !r.U32(rawOffset) ||
        !r.Skip(16) || rawOffset > file.size() || rawSize > file.size() - rawOffset) {
      ADD_FAILURE() << "bad section header in " << path;
      return out;
    }
    std::string text(name.begin(), name.end());
    text = text.substr(0, text.find('\0'));
    out[text] = std::vector<uint8_t>(file.begin() + rawOffset, file.begin() + rawOffset + rawSize);
  }
  return out;
}

// The file offset of the resource directory entry that `path` (a type,
// then a name, then a language) leads to in the module's tree, and of the
// tree's root in `root`; 0 when there is none. For damaging entries.
inline size_t ResourceEntryOffset(const std::vector<uint8_t>& file, const std::vector<ResId>& path,
                                  size_t& root) {
  ByteReader r(file);
  uint32_t pe = 0, rva = 0;
  uint16_t sections = 0, optionalSize = 0, magic = 0;
  if (!r.PeekU32At(0x3C, pe) || !r.PeekU16At(pe + 6, sections) || !r.PeekU16At(pe + 20, optionalSize) ||
      !r.PeekU16At(pe + 24, magic) || !r.PeekU32At(pe + 24 + (magic == 0x20B ? 112 : 96) + 16, rva))
    return 0;
  root = 0;
  for (uint16_t i = 0; i < sections; ++i) {
    const size_t header = pe + 24 + optionalSize + 40 * size_t{i};
    uint32_t address = 0, rawSize = 0, rawOffset = 0;
    if (r.PeekU32At(header + 12, address) && r.PeekU32At(header + 16, rawSize) &&
        r.PeekU32At(header + 20, rawOffset) && rva >= address && rva - address < rawSize)
      root = rawOffset + (rva - address);
  }
  size_t directory = root;
  for (size_t level = 0; root && level < path.size(); ++level) {
    uint16_t named = 0, numbered = 0;
    if (!r.PeekU16At(directory + 12, named) || !r.PeekU16At(directory + 14, numbered)) return 0;
    size_t found = 0;
    for (size_t e = 0; e < size_t{named} + numbered && !found; ++e) {
      const size_t entry = directory + 16 + 8 * e;
      uint32_t key = 0;
      uint16_t length = 0;
      std::u16string name;
      if (!r.PeekU32At(entry, key) || (key >> 31 != 0) != path[level].isName) continue;
      if (!path[level].isName ? (key & 0xFFFF) == path[level].id
                              : r.Seek(root + (key & 0x7FFFFFFF)) && r.U16(length) && r.CountedWide(length, name) &&
                                    name == path[level].name)
        found = entry;
    }
    if (!found || level + 1 == path.size()) return found;
    uint32_t offset = 0;
    if (!r.PeekU32At(found + 4, offset)) return 0;
    directory = root + (offset & 0x7FFFFFFF);
  }
  return 0;
}

// llvm-readobj, an independent reader, accepts the file's resources.
inline bool ReadobjReads(const std::string& path, std::string* listing = nullptr) {
  std::string out;
  const int status = harness::Shell("llvm-readobj --coff-resources '" + path + "' 2>&1", &out);
  if (listing) *listing = out;
  return status == 0 && out.find("error") == std::string::npos && out.find("warning") == std::string::npos;
}

// A resource-only module from an .rc source; a module with code as well
// when `code` (C source) is given.
inline bool BuildModule(const std::string& rc, const std::string& out, const std::string& code = "") {
  if (code.empty()) return harness::BuildResourceDll(rc, out);
  harness::TempDir work;
  harness::WriteFile(work.Sub("m.rc"), rc);
  harness::WriteFile(work.Sub("m.c"), code);
  std::string log;
  const std::string cmd = "cd '" + work.path +
                          "' && llvm-rc /nologo /fo m.res -- m.rc && clang --target=i686-pc-windows-msvc -O1 -c m.c "
                          "-o m.obj && lld-link /nologo /dll /noentry /machine:x86 m.obj m.res /out:'" +
                          out + "' 2>&1";
  const bool ok = harness::Shell(cmd, &log) == 0;
  EXPECT_TRUE(ok) << log;
  return ok;
}

}  // namespace maintenance
