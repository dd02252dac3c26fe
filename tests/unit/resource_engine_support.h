// Shared by the resource engine tests: fixture modules linked by lld-link,
// an independent listing of their resources from llvm-readobj, and the
// engine's own listing in the same form.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "lngfile/resource_access.h"
#include "support/harness.h"

namespace engine_test {

inline std::string Fixture(const std::string& name) {
  return std::string(PACKSMITH_FIXTURE_DIR) + "/resource_engine/" + name;
}

struct LinkOptions {
  std::string machine = "x86";
  bool withCode = false;  // a C object with data and relocations
  bool debug = false;     // DWARF sections and a symbol table after .reloc
};

// Compiles the .rc fixture and links it (and optionally some code) into a
// DLL at `out`.
inline bool LinkModule(const std::string& rcFixture, const std::string& out, const LinkOptions& options = {}) {
  harness::TempDir work;
  std::string log;
  std::string objects = work.Sub("x.res");
  std::string command = "llvm-rc /nologo /fo " + objects + " -- " + Fixture(rcFixture) + " 2>&1";
  if (options.withCode) {
    const std::string target = options.machine == "x64" ? "x86_64-pc-windows-msvc" : "i686-pc-windows-msvc";
    command += " && clang --target=" + target + (options.debug ? " -g -gdwarf" : "") + " -O1 -c " +
               Fixture("code.c") + " -o " + work.Sub("code.obj") + " 2>&1";
    objects += " " + work.Sub("code.obj");
  }
  command += " && lld-link /nologo /dll /noentry /machine:" + options.machine + (options.debug ? " /debug:dwarf" : "") +
             " " + objects + " /out:" + out + " 2>&1";
  const int status = harness::Shell(command, &log);
  EXPECT_EQ(status, 0) << log;
  return status == 0;
}

inline std::string Readobj(const std::string& args, const std::string& path) {
  std::string out;
  EXPECT_EQ(harness::Shell("llvm-readobj " + args + " " + path + " 2>&1", &out), 0) << out;
  return out;
}

inline std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(' ');
  return b == std::string::npos ? "" : s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// "type/name/lang=HEX" for every resource, from llvm-readobj's listing.
inline std::vector<std::string> ReadobjResources(const std::string& path) {
  std::istringstream in(Readobj("--coff-resources", path));
  std::vector<std::string> out;
  std::string line, type, name, lang, hex;
  bool inData = false;
  const auto idOf = [](std::string text) {
    text = Trim(text.substr(0, text.rfind('[')));
    const size_t id = text.find("(ID ");
    return id == std::string::npos ? text : text.substr(id + 4, text.find(')', id) - id - 4);
  };
  while (std::getline(in, line)) {
    const std::string t = Trim(line);
    if (inData) {
      if (t == ")") {
        out.push_back(type + "/" + name + "/" + lang + "=" + hex);
        inData = false;
        continue;
      }
      const size_t colon = t.find(": "), bar = t.find('|');
      for (char c : t.substr(colon + 2, bar - colon - 2))
        if (c != ' ') hex.push_back(c);
    } else if (t.rfind("Type: ", 0) == 0) {
      type = idOf(t.substr(6));
    } else if (t.rfind("Name: ", 0) == 0) {
      name = idOf(t.substr(6));
    } else if (t.rfind("Language: ", 0) == 0) {
      lang = idOf(t.substr(10));
    } else if (t == "Data (") {
      inData = true;
      hex.clear();
    }
  }
  return out;
}

inline std::string Hex(ByteSpan data) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (uint8_t b : data) {
    out.push_back(digits[b >> 4]);
    out.push_back(digits[b & 15]);
  }
  return out;
}

inline std::string IdText(const ResId& id) { return id.isName ? WideToUtf8(id.name) : std::to_string(id.id); }

// The same listing through the engine.
inline std::vector<std::string> EngineResources(const Module& module) {
  std::vector<std::string> out;
  for (const ResId& type : EnumResourceTypes(module))
    for (const ResId& name : EnumResourceNames(module, type))
      for (uint16_t lang : EnumResourceLanguages(module, type, name)) {
        ByteSpan data;
        EXPECT_TRUE(FindResourceLang(module, type, name, lang, data));
        out.push_back(IdText(type) + "/" + IdText(name) + "/" + std::to_string(lang) + "=" + Hex(data));
      }
  return out;
}

inline std::vector<std::string> EngineResources(const std::string& path) {
  ModulePtr module = OpenModule(Utf8ToWide(path));
  EXPECT_TRUE(module) << path;
  return module ? EngineResources(*module) : std::vector<std::string>{};
}

inline uint32_t GetU32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
inline uint16_t GetU16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
inline void SetU32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Header facts of a PE file read directly from its bytes.
struct Headers {
  size_t pe = 0, opt = 0, sectionTable = 0, dirs = 0;
  uint16_t sections = 0;
  bool is64 = false;
};
inline Headers HeadersOf(const std::vector<uint8_t>& b) {
  Headers h;
  h.pe = GetU32(b, 0x3c);
  h.sections = GetU16(b, h.pe + 6);
  h.opt = h.pe + 24;
  h.is64 = GetU16(b, h.opt) == 0x20b;
  h.dirs = h.opt + (h.is64 ? 112 : 96);
  h.sectionTable = h.opt + GetU16(b, h.pe + 20);
  return h;
}

// The PE checksum computed here independently of the engine.
inline uint32_t Checksum(const std::vector<uint8_t>& b) {
  const size_t field = HeadersOf(b).opt + 64;
  const auto at = [&](size_t i) -> uint32_t { return i >= b.size() || (i >= field && i < field + 4) ? 0 : b[i]; };
  uint64_t sum = 0;
  for (size_t i = 0; i < b.size(); i += 2) {
    sum += at(i) | (at(i + 1) << 8);
    sum = (sum & 0xffff) + (sum >> 16);
  }
  return static_cast<uint32_t>(((sum & 0xffff) + (sum >> 16)) + b.size());
}

// The written file agrees with itself: checksum, SizeOfImage from the last
// section, raw sizes multiples of FileAlignment, the resource directory at
// a section's start with that section's exact virtual size, and
// llvm-readobj accepts the headers.
inline void ExpectConsistentHeaders(const std::string& path) {
  const std::vector<uint8_t> b = harness::ReadBytes(path);
  const Headers h = HeadersOf(b);
  EXPECT_EQ(GetU32(b, h.opt + 64), Checksum(b)) << path;
  const uint32_t sa = GetU32(b, h.opt + 32), fa = GetU32(b, h.opt + 36);
  uint64_t end = 0;
  bool resourceSectionFound = false;
  const uint32_t rsrcRva = GetU32(b, h.dirs + 16), rsrcSize = GetU32(b, h.dirs + 20);
  for (uint16_t i = 0; i < h.sections; ++i) {
    const size_t s = h.sectionTable + 40 * i;
    const uint32_t vsize = GetU32(b, s + 8), va = GetU32(b, s + 12), raw = GetU32(b, s + 16), ptr = GetU32(b, s + 20);
    EXPECT_EQ(raw % fa, 0u) << "section " << i;
    EXPECT_LE(uint64_t{ptr} + raw, b.size()) << "section " << i;
    end = std::max<uint64_t>(end, (uint64_t{va} + vsize + sa - 1) / sa * sa);
    if (rsrcRva && va == rsrcRva) {
      resourceSectionFound = true;
      EXPECT_EQ(vsize, rsrcSize);
    }
  }
  EXPECT_EQ(GetU32(b, h.opt + 56), end) << path;
  EXPECT_TRUE(!rsrcRva || resourceSectionFound) << path;
  Readobj("--file-headers --sections", path);
}

}  // namespace engine_test
