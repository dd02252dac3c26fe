// Malformed modules built byte by byte: every limit three ways (ends
// exactly at the boundary, one byte over, overflowing). The open fails or
// the broken entry is invisible; the writer rewrites what is visible.
#include <gtest/gtest.h>

#include <functional>

#include "os/files.h"
#include "pe/byte_reader.h"
#include "pe/resources.h"
#include "pe/version_info.h"
#include "unit/resource_engine_support.h"

namespace {

using engine_test::GetU32;
using engine_test::SetU32;

// A PE32 file with one section at file offset 0x200, RVA 0x1000, holding
// exactly `section` (raw size not rounded, so the file ends where it does).
constexpr size_t kLfanew = 0x40, kFileHeader = 0x44, kOpt = 0x58, kDirs = kOpt + 96, kSection = kOpt + 0xE0;
constexpr size_t kRaw = 0x200;
constexpr uint32_t kRva = 0x1000;

void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}

std::vector<uint8_t> MakePe(const std::vector<uint8_t>& section) {
  std::vector<uint8_t> b(kRaw, 0);
  b[0] = 'M', b[1] = 'Z';
  SetU32(b, 0x3c, kLfanew);
  std::copy_n("PE\0\0", 4, b.begin() + kLfanew);
  Put16(b, kFileHeader, 0x14c);
  Put16(b, kFileHeader + 2, 1);
  Put16(b, kFileHeader + 16, 0xE0);
  Put16(b, kFileHeader + 18, 0x2102);
  Put16(b, kOpt, 0x10b);
  SetU32(b, kOpt + 28, 0x10000000);
  SetU32(b, kOpt + 32, 0x1000);  // section alignment
  SetU32(b, kOpt + 36, 0x200);   // file alignment
  SetU32(b, kOpt + 56, 0x2000);  // size of image
  SetU32(b, kOpt + 60, kRaw);    // size of headers
  SetU32(b, kOpt + 92, 16);
  SetU32(b, kDirs + 16, kRva);
  SetU32(b, kDirs + 20, static_cast<uint32_t>(section.size()));
  std::copy_n(".rsrc", 5, b.begin() + kSection);
  SetU32(b, kSection + 8, static_cast<uint32_t>(section.size()));
  SetU32(b, kSection + 12, kRva);
  SetU32(b, kSection + 16, static_cast<uint32_t>(section.size()));
  SetU32(b, kSection + 20, kRaw);
  SetU32(b, kSection + 36, 0x40000040);
  b.insert(b.end(), section.begin(), section.end());
  return b;
}

// The tree: type 10, name 1, language 0x0409, data "DATA", laid out so that
// the language directory ends the section.
//   0  root (one entry)        24  name directory (one entry)
//   48 data entry              64  "DATA"
//   68 counted name "ABC"      76  language directory (one entry), ends at 100
constexpr size_t kRoot = 0, kNameDir = 24, kDataEntry = 48, kData = 64, kString = 68, kLangDir = 76, kTreeEnd = 100;

void PutDirectory(std::vector<uint8_t>& t, size_t at, uint16_t named, uint16_t numbered) {
  Put16(t, at + 8, 4);
  Put16(t, at + 12, named);
  Put16(t, at + 14, numbered);
}

std::vector<uint8_t> MakeTree() {
  std::vector<uint8_t> t(kTreeEnd, 0);
  PutDirectory(t, kRoot, 0, 1);
  SetU32(t, kRoot + 16, 10);
  SetU32(t, kRoot + 20, 0x80000000u | kNameDir);
  PutDirectory(t, kNameDir, 0, 1);
  SetU32(t, kNameDir + 16, 1);
  SetU32(t, kNameDir + 20, 0x80000000u | kLangDir);
  SetU32(t, kDataEntry, kRva + kData);
  SetU32(t, kDataEntry + 4, 4);
  std::copy_n("DATA", 4, t.begin() + kData);
  Put16(t, kString, 3);
  Put16(t, kString + 2, 'A'), Put16(t, kString + 4, 'B'), Put16(t, kString + 6, 'C');
  PutDirectory(t, kLangDir, 0, 1);
  SetU32(t, kLangDir + 16, 0x409);
  SetU32(t, kLangDir + 20, kDataEntry);
  return t;
}

// Whether an update begins on the module: it refuses one whose resource
// directory has an entry that cannot be read, since writing the module
// back would lose it.
enum class Update { Begins, Refused, Either };

// Reads everything the engine offers, then rewrites the module with one
// more resource and checks that the result holds what was visible plus it,
// or that the update refuses to begin, as `expected` says.
void Exercise(const std::vector<uint8_t>& bytes, const std::string& label, Update expected) {
  ModulePtr module = OpenModuleFromBytes(bytes);
  if (!module) return;
  const std::vector<std::string> visible = engine_test::EngineResources(*module);
  for (const ResId& type : EnumResourceTypes(*module))
    for (const ResId& name : EnumResourceNames(*module, type)) {
      ByteSpan data;
      EXPECT_TRUE(FindResourceDefault(*module, type, name, data)) << label;
    }
  WString text;
  for (uint32_t id : {0u, 15u, 16u, 65535u}) LoadModuleString(*module, id, text);
  uint32_t ms, ls;
  GetModuleFileVersion(*module, ms, ls);

  PeError error = PeError::None;
  ResourceUpdatePtr update = BeginResourceUpdateFromBytes(bytes, &error);
  if (expected == Update::Refused) {
    EXPECT_FALSE(update) << label;
  }
  if (!update) {
    EXPECT_NE(expected, Update::Begins) << label;
    EXPECT_EQ(error, PeError::InvalidData) << label;
    return;
  }
  const uint8_t added[] = {'N', 'E', 'W'};
  UpdateResourceItem(*update, ResId::Str(u"ADDED"), ResId::Int(1), 0x400, added);
  std::vector<uint8_t> out;
  if (!BuildUpdatedFile(*update, out)) return;  // no room: the commit fails cleanly
  ModulePtr rewritten = OpenModuleFromBytes(out);
  ASSERT_TRUE(rewritten) << label;
  std::vector<std::string> expected = visible;
  expected.insert(expected.begin(), "ADDED/1/1024=4E4557");
  std::vector<std::string> got = engine_test::EngineResources(*rewritten);
  std::sort(expected.begin(), expected.end());
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, expected) << label;
}

struct Case {
  const char* label;
  std::function<void(std::vector<uint8_t>& tree)> patchTree;  // applied before the file is made
  std::function<void(std::vector<uint8_t>& file)> patchFile;  // applied after
  int visible;  // -1: the open fails
  Update update = Update::Begins;
};

void RunCase(const Case& c) {
  std::vector<uint8_t> tree = MakeTree();
  if (c.patchTree) c.patchTree(tree);
  std::vector<uint8_t> file = MakePe(tree);
  if (c.patchFile) c.patchFile(file);
  ModulePtr module = OpenModuleFromBytes(file);
  if (c.visible < 0) {
    EXPECT_FALSE(module) << c.label;
    return;
  }
  ASSERT_TRUE(module) << c.label;
  EXPECT_EQ(static_cast<int>(engine_test::EngineResources(*module).size()), c.visible) << c.label;
  Exercise(file, c.label, c.update);
}

const auto Tree = [](size_t at, uint32_t v) { return [=](std::vector<uint8_t>& t) { SetU32(t, at, v); }; };
const auto Tree16 = [](size_t at, uint16_t v) { return [=](std::vector<uint8_t>& t) { Put16(t, at, v); }; };
const auto File = [](size_t at, uint32_t v) { return [=](std::vector<uint8_t>& f) { SetU32(f, at, v); }; };

TEST(ResourceEngineMalformed, TheWellFormedBaseReadsBack) {
  ModulePtr module = OpenModuleFromBytes(MakePe(MakeTree()));
  ASSERT_TRUE(module);
  EXPECT_EQ(engine_test::EngineResources(*module), std::vector<std::string>{"10/1/1033=44415441"});
  Exercise(MakePe(MakeTree()), "base", Update::Begins);
}

TEST(ResourceEngineMalformed, EveryTruncationFailsToOpen) {
  const std::vector<uint8_t> file = MakePe(MakeTree());
  for (size_t size = 0; size < file.size(); ++size)
    EXPECT_FALSE(OpenModuleFromBytes(std::vector<uint8_t>(file.begin(), file.begin() + size))) << size;
}

// Every read of the byte reader, from offset 1: with exactly the bytes it
// needs it succeeds and moves past them (a peek stays); one byte short, it
// fails and stays.
TEST(ResourceEngineMalformed, EveryReadOneByteShortFailsAndStays) {
  struct Read {
    const char* label;
    std::vector<uint8_t> exact;
    std::function<bool(ByteReader&)> read;
    bool moves = true;
  };
  uint16_t u16;
  int16_t i16;
  uint32_t u32;
  ByteSpan span;
  std::u16string text;
  const Read reads[] = {
      {"U16", {1, 2}, [&](ByteReader& r) { return r.U16(u16); }},
      {"I16", {1, 2}, [&](ByteReader& r) { return r.I16(i16); }},
      {"U32", {1, 2, 3, 4}, [&](ByteReader& r) { return r.U32(u32); }},
      {"PeekU16At", {1, 2}, [&](ByteReader& r) { return r.PeekU16At(1, u16); }, false},
      {"PeekU32At", {1, 2, 3, 4}, [&](ByteReader& r) { return r.PeekU32At(1, u32); }, false},
      {"Bytes", {1, 2, 3}, [&](ByteReader& r) { return r.Bytes(3, span); }},
      {"CountedWide", {'a', 0, 'b', 0}, [&](ByteReader& r) { return r.CountedWide(2, text); }},
      {"ZeroTerminatedWide", {'a', 0, 0, 0}, [&](ByteReader& r) { return r.ZeroTerminatedWide(text); }},
  };
  for (const Read& c : reads) {
    std::vector<uint8_t> bytes = {0xEE};
    bytes.insert(bytes.end(), c.exact.begin(), c.exact.end());
    ByteReader whole(bytes, 1);
    EXPECT_TRUE(c.read(whole)) << c.label;
    EXPECT_EQ(whole.Offset(), c.moves ? bytes.size() : 1u) << c.label;
    bytes.pop_back();
    ByteReader shortOne(bytes, 1);
    EXPECT_FALSE(c.read(shortOne)) << c.label;
    EXPECT_EQ(shortOne.Offset(), 1u) << c.label;
  }
}

TEST(ResourceEngineMalformed, Headers) {
  const size_t end = kRaw + kTreeEnd;
  const Case cases[] = {
      {"lfanew at the end", nullptr, File(0x3c, static_cast<uint32_t>(end)), -1},
      {"lfanew one over", nullptr, File(0x3c, static_cast<uint32_t>(end + 1)), -1},
      {"lfanew overflowing", nullptr, File(0x3c, 0xfffffffc), -1},
      {"no signature", nullptr, File(kLfanew, 0x00004551), -1},
      {"unknown optional header magic", nullptr, [](auto& f) { Put16(f, kOpt, 0x107); }, -1},
      {"optional header too small", nullptr, [](auto& f) { Put16(f, kFileHeader + 16, 95); }, -1},
      {"optional header past the end", nullptr, [](auto& f) { Put16(f, kFileHeader + 16, 0xffff); }, -1},
      {"section count past the end", nullptr, [](auto& f) { Put16(f, kFileHeader + 2, 0xffff); }, -1},
      {"no sections", nullptr, [](auto& f) { Put16(f, kFileHeader + 2, 0); }, 0},
      {"file alignment zero", nullptr, File(kOpt + 36, 0), -1},
      {"section alignment not a power of two", nullptr, File(kOpt + 32, 0x1001), -1},
      {"raw data ends at the end", nullptr, File(kSection + 16, kTreeEnd), 1},
      {"raw data one over", nullptr, File(kSection + 16, kTreeEnd + 1), -1},
      {"raw data overflowing", nullptr, File(kSection + 16, 0xfffffff0), -1},
      {"raw pointer overflowing", nullptr, File(kSection + 20, 0xfffffff0), -1},
      {"two data directories", nullptr, File(kOpt + 92, 2), 0},
      {"three data directories", nullptr, File(kOpt + 92, 3), 1},
      {"absurd directory count", nullptr, File(kOpt + 92, 0xffffffff), 1},
      {"resource directory outside every section", nullptr, File(kDirs + 16, 0x5000), 0},
      {"resource directory past the raw data", nullptr, File(kDirs + 16, kRva + kTreeEnd), 0},
      {"resource directory overflowing", nullptr, File(kDirs + 16, 0xffffffff), 0},
  };
  for (const Case& c : cases) RunCase(c);
}

TEST(ResourceEngineMalformed, DirectoriesAndEntries) {
  // A case whose entry is left out (nothing visible) refuses an update.
  const Case cases[] = {
      // The language directory's entries end the section: exactly, one
      // over (section cut by a byte), overflowing counts.
      {"entries end at the section end", nullptr, nullptr, 1},
      {"entries one byte over", nullptr, File(kSection + 16, kTreeEnd - 1), 0, Update::Refused},
      {"entry count overflowing", Tree16(kLangDir + 14, 0xffff), nullptr, 0, Update::Refused},
      {"named and numbered counts overflowing", [](auto& t) { Put16(t, kRoot + 12, 0xffff); Put16(t, kRoot + 14, 0xffff); }, nullptr, 0, Update::Refused},
      // Subdirectory offsets.
      {"subdirectory at the section end", Tree(kNameDir + 20, 0x80000000u | kTreeEnd), nullptr, 0, Update::Refused},
      {"subdirectory one entry short", Tree(kNameDir + 20, 0x80000000u | (kTreeEnd - 23)), nullptr, 0, Update::Refused},
      {"subdirectory offset overflowing", Tree(kNameDir + 20, 0xffffffff), nullptr, 0, Update::Refused},
      // Loops and depth.
      {"name directory points back at the root", Tree(kNameDir + 20, 0x80000000u | kRoot), nullptr, 0, Update::Refused},
      {"name directory points at itself", Tree(kNameDir + 20, 0x80000000u | kNameDir), nullptr, 0, Update::Refused},
      {"type points at the root", Tree(kRoot + 20, 0x80000000u | kRoot), nullptr, 0, Update::Refused},
      {"a fourth level", Tree(kLangDir + 20, 0x80000000u | kLangDir), nullptr, 0, Update::Refused},
      {"a type with data instead of names", Tree(kRoot + 20, kDataEntry), nullptr, 0, Update::Refused},
      {"a name with data instead of languages", Tree(kNameDir + 20, kDataEntry), nullptr, 0, Update::Refused},
      // Identifiers.
      {"type number above 0xFFFF", Tree(kRoot + 16, 0x10000), nullptr, 0, Update::Refused},
      {"type number 0xFFFF", Tree(kRoot + 16, 0xffff), nullptr, 1},
      {"named language", Tree(kLangDir + 16, 0x80000000u | kString), nullptr, 0, Update::Refused},
      {"name string", Tree(kNameDir + 16, 0x80000000u | kString), nullptr, 1},
      {"name string ends at the section end", [](auto& t) { SetU32(t, kNameDir + 16, 0x80000000u | kString); Put16(t, kString, 15); }, nullptr, 1},
      {"name string one over", [](auto& t) { SetU32(t, kNameDir + 16, 0x80000000u | kString); Put16(t, kString, 16); }, nullptr, 0, Update::Refused},
      {"name string length overflowing", [](auto& t) { SetU32(t, kNameDir + 16, 0x80000000u | kString); Put16(t, kString, 0xffff); }, nullptr, 0, Update::Refused},
      {"name string offset overflowing", Tree(kNameDir + 16, 0xffffffff), nullptr, 0, Update::Refused},
      {"name string length field one over", Tree(kNameDir + 16, 0x80000000u | (kTreeEnd - 1)), nullptr, 0, Update::Refused},
      // Data entries and data.
      {"data ends at the section end", Tree(kDataEntry, kRva + kTreeEnd - 4), nullptr, 1},
      {"data one byte over", Tree(kDataEntry, kRva + kTreeEnd - 3), nullptr, 0, Update::Refused},
      {"data size overflowing", Tree(kDataEntry + 4, 0xffffffff), nullptr, 0, Update::Refused},
      {"data address overflowing", Tree(kDataEntry, 0xfffffffe), nullptr, 0, Update::Refused},
      {"data outside every section", Tree(kDataEntry, 0x8000), nullptr, 0, Update::Refused},
      {"data entry one byte over", Tree(kLangDir + 20, kTreeEnd - 15), nullptr, 0, Update::Refused},
      {"data entry offset overflowing", Tree(kLangDir + 20, 0x7fffffff), nullptr, 0, Update::Refused},
      {"empty data", Tree(kDataEntry + 4, 0), nullptr, 1},
  };
  for (const Case& c : cases) RunCase(c);
}

TEST(ResourceEngineMalformed, SharedDirectoriesAreReadOnce) {
  // Two types whose entries point at the same name directory: the second
  // is a directory already visited, so only the first is visible, and an
  // update, which would lose the second, refuses.
  std::vector<uint8_t> t(kTreeEnd + 8, 0);
  std::vector<uint8_t> base = MakeTree();
  // Root with two entries; everything else shifted by 8 bytes.
  PutDirectory(t, 0, 0, 2);
  SetU32(t, 16, 10), SetU32(t, 20, 0x80000000u | (kNameDir + 8));
  SetU32(t, 24, 11), SetU32(t, 28, 0x80000000u | (kNameDir + 8));
  std::copy(base.begin() + kNameDir, base.end(), t.begin() + kNameDir + 8);
  SetU32(t, kNameDir + 8 + 20, 0x80000000u | (kLangDir + 8));
  SetU32(t, kLangDir + 8 + 20, kDataEntry + 8);
  SetU32(t, kDataEntry + 8, kRva + kData + 8);
  ModulePtr module = OpenModuleFromBytes(MakePe(t));
  ASSERT_TRUE(module);
  EXPECT_EQ(engine_test::EngineResources(*module), std::vector<std::string>{"10/1/1033=44415441"});
  Exercise(MakePe(t), "shared", Update::Refused);
}

TEST(ResourceEngineMalformed, StringBlocksAndVersionInfo) {
  // A string block whose last string runs past its data: the strings before
  // it load, it does not.
  const auto withData = [](const std::vector<uint8_t>& data, uint16_t type, uint16_t name) {
    std::vector<uint8_t> t = MakeTree();
    t.resize(kTreeEnd);
    SetU32(t, kRoot + 16, type);
    SetU32(t, kNameDir + 16, name);
    SetU32(t, kDataEntry, kRva + kTreeEnd);
    SetU32(t, kDataEntry + 4, static_cast<uint32_t>(data.size()));
    t.insert(t.end(), data.begin(), data.end());
    return OpenModuleFromBytes(MakePe(t));
  };
  std::vector<uint8_t> block = {1, 0, 'a', 0, 0, 0, 5, 0, 'b', 0};  // "a", "", then 5 units with 1 present
  ModulePtr module = withData(block, kRtString, 1);
  ASSERT_TRUE(module);
  WString s;
  EXPECT_TRUE(LoadModuleString(*module, 0, s));
  EXPECT_EQ(s, u"a");
  EXPECT_FALSE(LoadModuleString(*module, 1, s));
  EXPECT_FALSE(LoadModuleString(*module, 2, s));
  EXPECT_FALSE(LoadModuleString(*module, 15, s));

  // VS_VERSIONINFO: the well-formed block, then each length broken.
  const auto version = [](uint16_t length, uint16_t valueLength, uint32_t signature, const char16_t* key) {
    std::vector<uint8_t> v;
    PutU16(v, length);
    PutU16(v, valueLength);
    PutU16(v, 0);
    PutWide(v, key, true);
    PadTo(v, 4);
    const uint32_t fields[13] = {signature, 0x10000, 0x00020003, 0x00040005};
    for (uint32_t f : fields) PutU32(v, f);
    return v;
  };
  const size_t full = version(0, 52, kFixedFileInfoSignature, u"VS_VERSION_INFO").size();
  struct VersionCase {
    const char* label;
    std::vector<uint8_t> data;
    bool ok;
  };
  const VersionCase versions[] = {
      {"well formed", version(static_cast<uint16_t>(full), 52, kFixedFileInfoSignature, u"VS_VERSION_INFO"), true},
      {"length one over", version(static_cast<uint16_t>(full + 1), 52, kFixedFileInfoSignature, u"VS_VERSION_INFO"), false},
      {"length overflowing", version(0xffff, 52, kFixedFileInfoSignature, u"VS_VERSION_INFO"), false},
      {"value too short", version(static_cast<uint16_t>(full), 51, kFixedFileInfoSignature, u"VS_VERSION_INFO"), false},
      {"value one over", version(static_cast<uint16_t>(full), 53, kFixedFileInfoSignature, u"VS_VERSION_INFO"), false},
      {"wrong signature", version(static_cast<uint16_t>(full), 52, 0xfeef04be, u"VS_VERSION_INFO"), false},
      {"wrong key", version(static_cast<uint16_t>(full), 52, kFixedFileInfoSignature, u"VS_VERSION_INFP"), false},
      {"length below the header", version(4, 52, kFixedFileInfoSignature, u"VS_VERSION_INFO"), false},
  };
  for (const VersionCase& c : versions) {
    ModulePtr m = withData(c.data, kRtVersion, 1);
    ASSERT_TRUE(m) << c.label;
    uint32_t ms = 0, ls = 0;
    EXPECT_EQ(GetModuleFileVersion(*m, ms, ls), c.ok) << c.label;
    if (c.ok) {
      EXPECT_EQ(ms, 0x00020003u);
      EXPECT_EQ(ls, 0x00040005u);
    }
  }
}

}  // namespace

namespace {

// Inputs the fuzzer found, kept as regression cases: each opens (or not)
// and rewrites into a module that holds what was visible plus the addition,
// or refuses the update when its directory cannot be read whole.
TEST(ResourceEngineMalformed, FuzzRegressions) {
  std::string list;
  ASSERT_EQ(harness::Shell("ls " + engine_test::Fixture("fuzz_regressions"), &list), 0);
  std::istringstream names(list);
  std::string name;
  int count = 0;
  while (std::getline(names, name)) {
    Exercise(harness::ReadBytes(engine_test::Fixture("fuzz_regressions/" + name)), name, Update::Either);
    ++count;
  }
  EXPECT_GT(count, 0);
}

}  // namespace
