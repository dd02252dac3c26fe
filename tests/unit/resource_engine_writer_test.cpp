// The writer: round trips into the stub and into linked modules, every
// placement case, header fixes, overlay and certificate, failed commits.
// Every written file is cross-checked with llvm-readobj.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

#include "os/files.h"
#include "driver/own_resources.h"
#include "lngfile/resource_access.h"
#include "unit/resource_engine_support.h"

namespace {

using namespace engine_test;

WString W(const std::string& s) { return Utf8ToWide(s); }

ByteSpan Span(const std::string& s) { return ByteSpan(reinterpret_cast<const uint8_t*>(s.data()), s.size()); }

void WriteStub(const std::string& path) {
  const ByteSpan stub = FindOwnResource(ResId::Str(u"DLL_STUB"), ResId::Int(kDllStubResource));
  ASSERT_TRUE(WriteFileBytes(W(path), stub, false));
}

// Copies every resource of `from` (all languages) into `to`.
void CopyAll(const std::string& from, const std::string& to) {
  ModulePtr source = OpenModule(W(from));
  ASSERT_TRUE(source);
  ResourceUpdatePtr update = BeginResourceUpdate(W(to));
  ASSERT_TRUE(update);
  for (const ResId& type : EnumResourceTypes(*source))
    for (const ResId& name : EnumResourceNames(*source, type))
      for (uint16_t lang : EnumResourceLanguages(*source, type, name)) {
        ByteSpan data;
        ASSERT_TRUE(FindResourceLang(*source, type, name, lang, data));
        UpdateResourceItem(*update, type, name, lang, data);
      }
  ASSERT_TRUE(CommitResourceUpdate(std::move(update))) << GetLastErrorCode();
}

bool Commit(const std::string& path, const std::function<void(ResourceUpdate&)>& change) {
  ResourceUpdatePtr update = BeginResourceUpdate(W(path));
  EXPECT_TRUE(update);
  if (!update) return false;
  change(*update);
  return CommitResourceUpdate(std::move(update));
}

std::vector<std::string> Without(std::vector<std::string> list, const std::string& prefix) {
  std::erase_if(list, [&](const std::string& s) { return s.rfind(prefix, 0) == 0; });
  return list;
}

struct Section {
  std::string name;
  uint32_t vsize, va, raw, ptr, characteristics;
};
std::vector<Section> Sections(const std::vector<uint8_t>& b) {
  const Headers h = HeadersOf(b);
  std::vector<Section> out;
  for (uint16_t i = 0; i < h.sections; ++i) {
    const size_t s = h.sectionTable + 40 * i;
    std::string name(reinterpret_cast<const char*>(&b[s]), 8);
    name = name.substr(0, name.find('\0'));
    out.push_back({name, GetU32(b, s + 8), GetU32(b, s + 12), GetU32(b, s + 16), GetU32(b, s + 20), GetU32(b, s + 36)});
  }
  return out;
}
std::string SectionNames(const std::string& path) {
  std::string names;
  for (const Section& s : Sections(harness::ReadBytes(path))) names += s.name + " ";
  return names;
}

TEST(ResourceEngineWriter, EveryResourceCopiedIntoTheStubReadsBack) {
  for (const std::string machine : {"x86", "x64"}) {
    harness::TempDir dir;
    const std::string source = dir.Sub("source.dll"), lng = dir.Sub("out.lng");
    LinkOptions options;
    options.machine = machine;
    ASSERT_TRUE(LinkModule("writer.rc", source, options));
    WriteStub(lng);
    CopyAll(source, lng);
    const std::vector<std::string> expected = ReadobjResources(source);
    ASSERT_EQ(expected.size(), 13u);
    EXPECT_EQ(EngineResources(lng), expected);
    EXPECT_EQ(ReadobjResources(lng), expected);
    EXPECT_EQ(SectionNames(lng), ".text .rdata .reloc .rsrc ");
    ExpectConsistentHeaders(lng);
    // The stub's own sections are untouched.
    const std::vector<uint8_t> stub = harness::ReadBytes(PACKSMITH_SOURCE_DIR "/resources/dll_stub.bin");
    const std::vector<uint8_t> out = harness::ReadBytes(lng);
    EXPECT_TRUE(std::equal(stub.begin() + 0x400, stub.end(), out.begin() + 0x400));
    // A second commit grows the now last resource section in place.
    ASSERT_TRUE(Commit(lng, [](ResourceUpdate& u) {
      UpdateResourceItem(u, ResId::Str(u"TEXT"), ResId::Str(u"BIG"), 0x400, Span(std::string(5000, 'x')));
    }));
    EXPECT_EQ(SectionNames(lng), ".text .rdata .reloc .rsrc ");
    EXPECT_EQ(ReadobjResources(lng).size(), 14u);
    ExpectConsistentHeaders(lng);
  }
}

TEST(ResourceEngineWriter, DeletingOneLeavesTheOthersIdentical) {
  harness::TempDir dir;
  const std::string path = dir.Sub("m.dll");
  ASSERT_TRUE(LinkModule("writer.rc", path));
  const std::vector<std::string> before = ReadobjResources(path);
  ASSERT_TRUE(Commit(path, [](ResourceUpdate& u) {
    DeleteResourceItem(u, ResId::Int(kRtRcdata), ResId::Int(7), 0x0407);
    DeleteResourceItem(u, ResId::Str(u"hash"), ResId::Str(u"Hash"), 0);  // the last of its type
    DeleteResourceItem(u, ResId::Int(kRtMenu), ResId::Int(100), 0x0407);  // absent: no change
    DeleteResourceItem(u, ResId::Int(99), ResId::Int(100), 0x0409);       // absent type
  }));
  std::vector<std::string> expected = Without(before, "HASH/");
  std::erase(expected, "10/7/1031=" + Hex(Span("sieben")));
  EXPECT_EQ(expected.size(), before.size() - 2);
  EXPECT_EQ(ReadobjResources(path), expected);
  EXPECT_EQ(EngineResources(path), expected);
  ExpectConsistentHeaders(path);
}

TEST(ResourceEngineWriter, NamesAreStoredUpperCasedAndSorted) {
  harness::TempDir dir;
  const std::string path = dir.Sub("s.lng");
  WriteStub(path);
  ASSERT_TRUE(Commit(path, [](ResourceUpdate& u) {
    for (const char16_t* name : {u"zeta", u"abc", u"Ab", u"b", u"ab_"})
      UpdateResourceItem(u, ResId::Str(u"text"), ResId::Str(name), 0x400, Span("x"));
    UpdateResourceItem(u, ResId::Str(u"text"), ResId::Int(3), 0x400, Span("3"));
    UpdateResourceItem(u, ResId::Str(u"text"), ResId::Int(1), 0x400, Span("1"));
    UpdateResourceItem(u, ResId::Int(kRtString), ResId::Int(2), 0x409, Span("s"));
    UpdateResourceItem(u, ResId::Int(kRtString), ResId::Int(2), 0x407, Span("t"));
    UpdateResourceItem(u, ResId::Int(kRtMenu), ResId::Int(9), 0x400, Span(""));  // empty data is kept
    // Replacing by another letter case of the same name replaces it.
    UpdateResourceItem(u, ResId::Str(u"TEXT"), ResId::Str(u"ZETA"), 0x400, Span("z"));
  }));
  const std::vector<std::string> expected = {
      "TEXT/AB/1024=78",  "TEXT/ABC/1024=78", "TEXT/AB_/1024=78", "TEXT/B/1024=78", "TEXT/ZETA/1024=7A",
      "TEXT/1/1024=31",   "TEXT/3/1024=33",   "4/9/1024=",        "6/2/1031=74",    "6/2/1033=73"};
  EXPECT_EQ(EngineResources(path), expected);
  EXPECT_EQ(ReadobjResources(path), expected);
  ExpectConsistentHeaders(path);
}

// Each data item starts at the next multiple of 8 after the one before.
// Nine items of 1..9 bytes under one type: root (24 bytes), name directory
// (16 + 9 * 8), nine language directories (24 each), then the nine data
// entries at 328 and the data at 472.
TEST(ResourceEngineWriter, DataItemsAreAlignedTo8Bytes) {
  harness::TempDir dir;
  const std::string path = dir.Sub("a.lng");
  WriteStub(path);
  const auto content = [](uint32_t size) { return std::string(size, static_cast<char>('a' + size)); };
  ASSERT_TRUE(Commit(path, [&](ResourceUpdate& u) {
    for (uint16_t size = 1; size <= 9; ++size)
      UpdateResourceItem(u, ResId::Int(kRtRcdata), ResId::Int(size), 0x400, Span(content(size)));
  }));
  const std::vector<uint8_t> b = harness::ReadBytes(path);
  const Section rsrc = Sections(b).back();
  uint32_t end = 472;  // where the item before ends
  for (uint32_t size = 1; size <= 9; ++size) {
    const uint32_t at = (end + 7) / 8 * 8;
    const size_t entry = rsrc.ptr + 328 + 16 * (size - 1);
    EXPECT_EQ(GetU32(b, entry) - rsrc.va, at) << size;
    EXPECT_EQ(GetU32(b, entry + 4), size);
    EXPECT_EQ(std::string(b.begin() + rsrc.ptr + at, b.begin() + rsrc.ptr + at + size), content(size));
    end = at + size;
  }
  EXPECT_EQ(rsrc.vsize, end);
  EXPECT_EQ(ReadobjResources(path), EngineResources(path));
  ExpectConsistentHeaders(path);
}

// A resource-only module: its .rsrc is its only, and so its last, section.
TEST(ResourceEngineWriter, InPlaceWhenItFitsAndGrownWhenLast) {
  harness::TempDir dir;
  const std::string path = dir.Sub("m.dll");
  ASSERT_TRUE(LinkModule("writer.rc", path));
  const std::vector<Section> before = Sections(harness::ReadBytes(path));
  ASSERT_EQ(before.back().name, ".rsrc");
  const size_t sizeBefore = harness::ReadBytes(path).size();

  // (1) A smaller tree is written over the old one; the raw size stays and
  // the rest is zeroed.
  ASSERT_TRUE(Commit(path, [](ResourceUpdate& u) { DeleteResourceItem(u, ResId::Int(kRtDialog), ResId::Int(200), 0x409); }));
  std::vector<uint8_t> bytes = harness::ReadBytes(path);
  std::vector<Section> after = Sections(bytes);
  EXPECT_EQ(bytes.size(), sizeBefore);
  EXPECT_EQ(after.back().raw, before.back().raw);
  EXPECT_LT(after.back().vsize, before.back().vsize);
  for (size_t i = after.back().ptr + after.back().vsize; i < after.back().ptr + after.back().raw; ++i)
    ASSERT_EQ(bytes[i], 0) << i;
  ExpectConsistentHeaders(path);

  // (2) A larger one grows the last section.
  const std::string big(70000, 'q');
  ASSERT_TRUE(Commit(path, [&](ResourceUpdate& u) {
    UpdateResourceItem(u, ResId::Int(kRtRcdata), ResId::Int(7), 0x409, Span(big));
  }));
  bytes = harness::ReadBytes(path);
  after = Sections(bytes);
  EXPECT_EQ(after.size(), before.size());
  EXPECT_EQ(after.back().ptr, before.back().ptr);
  EXPECT_GT(after.back().raw, 70000u);
  EXPECT_EQ(bytes.size(), after.back().ptr + after.back().raw);
  ModulePtr module = OpenModule(W(path));
  ByteSpan data;
  ASSERT_TRUE(module && FindResourceLang(*module, ResId::Int(kRtRcdata), ResId::Int(7), 0x409, data));
  EXPECT_EQ(std::string(data.begin(), data.end()), big);
  EXPECT_EQ(ReadobjResources(path), EngineResources(path));
  ExpectConsistentHeaders(path);
}

// (3) .rsrc followed by .reloc, DWARF sections and a symbol table, as gcc
// lays out a DLL: those move and everything that points at them follows.
TEST(ResourceEngineWriter, MovesRelocAndDebugSectionsAfterTheGrownSection) {
  for (const std::string machine : {"x86", "x64"}) {
    harness::TempDir dir;
    const std::string path = dir.Sub("code.dll");
    LinkOptions options;
    options.machine = machine;
    options.withCode = true;
    options.debug = true;
    ASSERT_TRUE(LinkModule("writer.rc", path, options));
    const std::vector<uint8_t> old = harness::ReadBytes(path);
    const std::vector<Section> before = Sections(old);
    ASSERT_EQ(SectionNames(path).substr(0, 30), ".text .rdata .data .rsrc .relo");
    const std::string relocsBefore = Readobj("--coff-basereloc", path);
    const std::string symbolsBefore = Readobj("--symbols", path);
    const std::vector<std::string> resourcesBefore = ReadobjResources(path);

    ASSERT_TRUE(Commit(path, [](ResourceUpdate& u) {
      UpdateResourceItem(u, ResId::Str(u"TEXT"), ResId::Str(u"LARGE"), 0x400, Span(std::string(9000, 'L')));
    }));
    const std::vector<uint8_t> now = harness::ReadBytes(path);
    const std::vector<Section> after = Sections(now);
    ASSERT_EQ(after.size(), before.size());
    size_t rsrc = 0;
    while (before[rsrc].name != ".rsrc") ++rsrc;
    for (size_t i = 0; i < rsrc; ++i) EXPECT_EQ(after[i].ptr, before[i].ptr);
    EXPECT_GT(after[rsrc].raw, 9000u);
    for (size_t i = rsrc + 1; i < after.size(); ++i) {
      EXPECT_GT(after[i].va, before[i].va) << after[i].name;
      EXPECT_GE(after[i].va, after[rsrc].va + after[rsrc].vsize) << after[i].name;
      EXPECT_GT(after[i].ptr, before[i].ptr) << after[i].name;
      // The moved sections' contents come over unchanged.
      EXPECT_TRUE(std::equal(old.begin() + before[i].ptr, old.begin() + before[i].ptr + before[i].raw,
                             now.begin() + after[i].ptr))
          << after[i].name;
    }
    const Headers h = HeadersOf(now);
    EXPECT_EQ(GetU32(now, h.dirs + 5 * 8), after[rsrc + 1].va);  // base relocation table follows .reloc
    // The relocations and the symbol table read the same at their new places.
    const auto body = [](const std::string& s) { return s.substr(s.find("Format:")); };
    EXPECT_EQ(body(Readobj("--coff-basereloc", path)), body(relocsBefore));
    EXPECT_EQ(body(Readobj("--symbols", path)), body(symbolsBefore));
    std::vector<std::string> resources = ReadobjResources(path);
    EXPECT_EQ(resources.size(), resourcesBefore.size() + 1);
    EXPECT_EQ(resources, EngineResources(path));
    ExpectConsistentHeaders(path);
  }
}

TEST(ResourceEngineWriter, DebugDirectoryFollowsMovedData) {
  // The debug entry's data in .rdata does not move; its fields stay.
  harness::TempDir dir;
  const std::string path = dir.Sub("code.dll");
  LinkOptions options;
  options.withCode = true;
  options.debug = true;
  ASSERT_TRUE(LinkModule("writer.rc", path, options));
  const std::string before = Readobj("--coff-debug-directory", path);
  ASSERT_TRUE(Commit(path, [](ResourceUpdate& u) {
    UpdateResourceItem(u, ResId::Str(u"TEXT"), ResId::Str(u"LARGE"), 0x400, Span(std::string(9000, 'L')));
  }));
  EXPECT_EQ(Readobj("--coff-debug-directory", path).substr(30), before.substr(30));
}

// (4) When the section after the resource section cannot move, a new one
// is appended and the old one is left unreferenced.
TEST(ResourceEngineWriter, AppendsANewSectionWhenTheFollowingOneCannotMove) {
  harness::TempDir dir;
  const std::string path = dir.Sub("code.dll");
  LinkOptions options;
  options.withCode = true;
  ASSERT_TRUE(LinkModule("writer.rc", path, options));
  // Make the section after .rsrc one that code may address: a writable,
  // non-discardable section no data directory names.
  std::vector<uint8_t> b = harness::ReadBytes(path);
  Headers h = HeadersOf(b);
  const size_t last = h.sectionTable + 40 * (h.sections - 1);
  std::copy_n(".keep\0\0\0", 8, b.begin() + last);
  SetU32(b, last + 36, 0xC0000040);
  SetU32(b, h.dirs + 5 * 8, 0);
  SetU32(b, h.dirs + 5 * 8 + 4, 0);
  harness::WriteFile(path, std::string(b.begin(), b.end()));
  const std::vector<std::string> resourcesBefore = ReadobjResources(path);

  ASSERT_TRUE(Commit(path, [](ResourceUpdate& u) {
    UpdateResourceItem(u, ResId::Str(u"TEXT"), ResId::Str(u"LARGE"), 0x400, Span(std::string(9000, 'L')));
  }));
  const std::vector<uint8_t> now = harness::ReadBytes(path);
  EXPECT_EQ(SectionNames(path), ".text .rdata .data .oldrsrc .keep .rsrc ");
  const std::vector<Section> after = Sections(now);
  // The old sections' data is as it was; the new one follows the last.
  EXPECT_TRUE(std::equal(b.begin() + 0x400, b.end(), now.begin() + 0x400));
  EXPECT_EQ(after[5].ptr, b.size());
  EXPECT_EQ(GetU32(now, h.dirs + 16), after[5].va);
  EXPECT_EQ(ReadobjResources(path).size(), resourcesBefore.size() + 1);
  EXPECT_EQ(ReadobjResources(path), EngineResources(path));
  ExpectConsistentHeaders(path);
}

// (5) Without room for one more section header (within SizeOfHeaders) the
// commit fails with the file as it was; with room for exactly one it works.
TEST(ResourceEngineWriter, FailsWhenNoSectionHeaderFits) {
  harness::TempDir dir;
  const std::string path = dir.Sub("code.dll");
  LinkOptions options;
  options.withCode = true;
  ASSERT_TRUE(LinkModule("writer.rc", path, options));
  std::vector<uint8_t> b = harness::ReadBytes(path);
  const Headers h = HeadersOf(b);
  const size_t last = h.sectionTable + 40 * (h.sections - 1);
  std::copy_n(".keep\0\0\0", 8, b.begin() + last);
  SetU32(b, last + 36, 0xC0000040);
  SetU32(b, h.dirs + 5 * 8, 0);
  SetU32(b, h.dirs + 5 * 8 + 4, 0);
  const auto grow = [](ResourceUpdate& u) {
    UpdateResourceItem(u, ResId::Str(u"TEXT"), ResId::Str(u"HUGE"), 0x400, Span(std::string(9000, 'H')));
  };
  const uint32_t slotEnd = static_cast<uint32_t>(h.sectionTable + 40 * (h.sections + 1));
  for (uint32_t sizeOfHeaders : {slotEnd - 1, slotEnd}) {
    SetU32(b, h.opt + 60, sizeOfHeaders);
    harness::WriteFile(path, std::string(b.begin(), b.end()));
    SetLastErrorCode(0);
    const bool committed = Commit(path, grow);
    EXPECT_EQ(committed, sizeOfHeaders == slotEnd);
    if (!committed) {
      EXPECT_EQ(GetLastErrorCode(), 193);
      EXPECT_EQ(harness::ReadBytes(path), b);
    } else {
      EXPECT_EQ(Sections(harness::ReadBytes(path)).size(), h.sections + 1u);
    }
  }
}

TEST(ResourceEngineWriter, OverlayKeptAndCertificateRemoved) {
  harness::TempDir dir;
  const std::string path = dir.Sub("m.dll");
  ASSERT_TRUE(LinkModule("writer.rc", path));
  std::vector<uint8_t> b = harness::ReadBytes(path);
  const std::string overlay = "OVERLAY-DATA-KEPT";
  b.insert(b.end(), overlay.begin(), overlay.end());
  while (b.size() % 8) b.push_back('.');
  const size_t certAt = b.size();
  const std::string cert = std::string("\x10\x00\x00\x00\x00\x02\x02\x00", 8) + "SIGNATUR";
  b.insert(b.end(), cert.begin(), cert.end());
  const Headers h = HeadersOf(b);
  SetU32(b, h.dirs + 4 * 8, static_cast<uint32_t>(certAt));
  SetU32(b, h.dirs + 4 * 8 + 4, static_cast<uint32_t>(cert.size()));
  harness::WriteFile(path, std::string(b.begin(), b.end()));

  ASSERT_TRUE(Commit(path, [](ResourceUpdate& u) {
    UpdateResourceItem(u, ResId::Str(u"TEXT"), ResId::Str(u"LARGE"), 0x400, Span(std::string(9000, 'L')));
  }));
  const std::vector<uint8_t> now = harness::ReadBytes(path);
  const std::vector<Section> s = Sections(now);
  const size_t end = s.back().ptr + s.back().raw;
  ASSERT_GT(now.size(), end);
  EXPECT_EQ(std::string(now.begin() + end, now.end()), "OVERLAY-DATA-KEPT.......");
  EXPECT_EQ(GetU32(now, h.dirs + 32), 0u);
  EXPECT_EQ(GetU32(now, h.dirs + 36), 0u);
  ExpectConsistentHeaders(path);
}

TEST(ResourceEngineWriter, PermissionsKept) {
  harness::TempDir dir;
  const std::string path = dir.Sub("p.lng");
  WriteStub(path);
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(Commit(path, [](ResourceUpdate& u) { UpdateResourceItem(u, ResId::Int(6), ResId::Int(1), 0x400, Span("ab")); }));
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(ResourceEngineWriter, FailedCommitLeavesTheFileAsItWas) {
  harness::TempDir dir;
  const std::string path = dir.Sub("r.lng");
  WriteStub(path);
  CopyAll(PACKSMITH_SOURCE_DIR "/resources/dll_stub.bin", path);  // nothing to copy: unchanged
  const std::vector<uint8_t> original = harness::ReadBytes(path);
  const auto addOne = [](ResourceUpdate& u) { UpdateResourceItem(u, ResId::Int(6), ResId::Int(1), 0x400, Span("ab")); };

  // Read-only file: access denied at the begin, as a writer's open is.
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  EXPECT_FALSE(BeginResourceUpdate(W(path)));
  EXPECT_EQ(GetLastErrorCode(), 5);
  EXPECT_EQ(harness::ReadBytes(path), original);
  ASSERT_EQ(::chmod(path.c_str(), 0644), 0);

  // Made read-only between begin and commit: access denied at the commit.
  ResourceUpdatePtr update = BeginResourceUpdate(W(path));
  ASSERT_TRUE(update);
  addOne(*update);
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  EXPECT_FALSE(CommitResourceUpdate(std::move(update)));
  EXPECT_EQ(GetLastErrorCode(), 5);
  EXPECT_EQ(harness::ReadBytes(path), original);
  ASSERT_EQ(::chmod(path.c_str(), 0644), 0);

  // The file replaced by a folder between begin and commit.
  update = BeginResourceUpdate(W(path));
  ASSERT_TRUE(update);
  addOne(*update);
  ASSERT_EQ(::rename(path.c_str(), (path + ".kept").c_str()), 0);
  ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
  EXPECT_FALSE(CommitResourceUpdate(std::move(update)));
  EXPECT_EQ(GetLastErrorCode(), 5);
  EXPECT_TRUE(IsDirectory(W(path)));
  EXPECT_EQ(harness::ReadBytes(path + ".kept"), original);

  // Begin on what is no module, or no file.
  harness::WriteFile(dir.Sub("text.lng"), "not a module");
  EXPECT_FALSE(BeginResourceUpdate(W(dir.Sub("text.lng"))));
  EXPECT_EQ(GetLastErrorCode(), 193);
  EXPECT_FALSE(BeginResourceUpdate(W(dir.Sub("missing.lng"))));
  EXPECT_EQ(GetLastErrorCode(), 2);
  EXPECT_FALSE(BeginResourceUpdate(W(dir.path)));
}

TEST(ResourceEngineWriter, CodePagesKeptAndRemovingEverythingLeavesAnEmptyTree) {
  harness::TempDir dir;
  const std::string path = dir.Sub("c.lng");
  WriteStub(path);
  ASSERT_TRUE(Commit(path, [](ResourceUpdate& u) { UpdateResourceItem(u, ResId::Int(6), ResId::Int(1), 0x400, Span("ab")); }));
  // One resource: root, name and language directories (24 bytes each),
  // then its data entry, whose code page is at +8.
  std::vector<uint8_t> b = harness::ReadBytes(path);
  const Section rsrc = Sections(b).back();
  SetU32(b, rsrc.ptr + 72 + 8, 1252);
  harness::WriteFile(path, std::string(b.begin(), b.end()));
  ASSERT_TRUE(Commit(path, [](ResourceUpdate& u) { UpdateResourceItem(u, ResId::Int(6), ResId::Int(2), 0x400, Span("cd")); }));
  std::string listing = Readobj("--coff-resources", path);
  EXPECT_NE(listing.find("Codepage: 1252"), std::string::npos) << listing;
  EXPECT_NE(listing.find("Codepage: 0"), std::string::npos) << listing;
  ASSERT_TRUE(Commit(path, [](ResourceUpdate& u) {
    DeleteResourceItem(u, ResId::Int(6), ResId::Int(1), 0x400);
    DeleteResourceItem(u, ResId::Int(6), ResId::Int(2), 0x400);
  }));
  EXPECT_TRUE(ReadobjResources(path).empty());
  EXPECT_TRUE(EngineResources(path).empty());
  ExpectConsistentHeaders(path);
}

}  // namespace
