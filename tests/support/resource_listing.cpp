#include "support/resource_listing.h"

#include <gtest/gtest.h>

#include "lngfile/resource_access.h"
#include "text/text.h"

namespace listing {

namespace {

using Bytes = std::vector<uint8_t>;

uint16_t U16At(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
uint32_t U32At(const Bytes& b, size_t at) { return U16At(b, at) | (static_cast<uint32_t>(U16At(b, at + 2)) << 16); }

// A type or name field of a .res entry header.
std::string ResField(const Bytes& b, size_t& at) {
  if (U16At(b, at) == 0xFFFF) {
    const uint16_t id = U16At(b, at + 2);
    at += 4;
    return "#" + std::to_string(id);
  }
  std::string name;
  for (; U16At(b, at) != 0; at += 2) name.push_back(static_cast<char>(U16At(b, at)));
  at += 2;
  return name;
}

std::string IdText(const ResId& id) { return id.isName ? WideToUtf8(id.name) : "#" + std::to_string(id.id); }

}  // namespace

std::vector<Resource> CompileRes(const std::string& rcFile, harness::Compiler compiler) {
  harness::TempDir work;
  const std::string res = work.Sub("x.res");
  const std::string command = compiler == harness::Compiler::Windres
                                  ? "i686-w64-mingw32-windres --preprocessor=cpp '" + rcFile + "' -O res -o '" + res + "' 2>&1"
                                  : "llvm-rc /nologo /fo '" + res + "' -- '" + rcFile + "' 2>&1";
  std::string log;
  if (harness::Shell(command, &log) != 0) {
    ADD_FAILURE() << log;
    return {};
  }
  const Bytes b = harness::ReadBytes(res);
  std::vector<Resource> out;
  for (size_t at = 0; b.size() - at >= 32;) {
    const uint32_t dataSize = U32At(b, at), headerSize = U32At(b, at + 4);
    size_t field = at + 8;
    Resource entry;
    entry.type = ResField(b, field);
    entry.name = ResField(b, field);
    field = (field + 3) & ~size_t{3};
    entry.lang = U16At(b, field + 6);
    entry.data.assign(b.begin() + at + headerSize, b.begin() + at + headerSize + dataSize);
    out.push_back(std::move(entry));
    at = (at + headerSize + dataSize + 3) & ~size_t{3};
  }
  return out;
}

std::vector<Resource> ModuleResources(const std::string& path) {
  std::vector<Resource> out;
  const ModulePtr module = OpenModule(Utf8ToWide(path));
  EXPECT_TRUE(module) << path;
  if (!module) return out;
  for (const ResId& type : EnumResourceTypes(*module))
    for (const ResId& name : EnumResourceNames(*module, type))
      for (uint16_t lang : EnumResourceLanguages(*module, type, name)) {
        ByteSpan data;
        EXPECT_TRUE(FindResourceLang(*module, type, name, lang, data));
        out.push_back({IdText(type), IdText(name), lang, Bytes(data.begin(), data.end())});
      }
  return out;
}

}  // namespace listing
