// The stub module every language file starts from: its properties, checked
// with llvm-readobj and llvm-objdump, and that its generator reproduces it.
#include <gtest/gtest.h>

#include "driver/own_resources.h"
#include "unit/resource_engine_support.h"

namespace {

using namespace engine_test;

const std::string kStub = PACKSMITH_SOURCE_DIR "/resources/dll_stub.bin";

TEST(ResourceEngineStub, EmbeddedAndReproducible) {
  const ByteSpan own = FindOwnResource(ResId::Str(u"dll_stub"), ResId::Int(kDllStubResource));
  const std::vector<uint8_t> file = harness::ReadBytes(kStub);
  ASSERT_EQ(file.size(), 2560u);
  EXPECT_TRUE(std::equal(own.begin(), own.end(), file.begin(), file.end()));
  EXPECT_TRUE(FindOwnResource(ResId::Str(u"DLL_STUB"), ResId::Int(102)).empty());
  EXPECT_TRUE(FindOwnResource(ResId::Int(101), ResId::Int(kDllStubResource)).empty());

  harness::TempDir dir;
  std::string log;
  ASSERT_EQ(harness::Shell("python3 " PACKSMITH_SOURCE_DIR "/resources/make_dll_stub.py " + dir.Sub("stub.bin") + " 2>&1",
                           &log),
            0)
      << log;
  EXPECT_EQ(harness::ReadBytes(dir.Sub("stub.bin")), file);
}

TEST(ResourceEngineStub, Properties) {
  const std::vector<uint8_t> b = harness::ReadBytes(kStub);
  const Headers h = HeadersOf(b);
  EXPECT_EQ(GetU16(b, h.pe + 4), 0x14c);                // i386
  EXPECT_TRUE(GetU16(b, h.pe + 22) & 0x2000);           // IMAGE_FILE_DLL
  EXPECT_FALSE(h.is64);
  EXPECT_EQ(GetU32(b, h.opt + 28), 0x10000000u);        // image base
  EXPECT_EQ(GetU16(b, h.opt + 68), 2);                  // IMAGE_SUBSYSTEM_WINDOWS_GUI
  EXPECT_EQ(GetU32(b, h.dirs + 0), 0u);                 // no exports
  EXPECT_EQ(GetU32(b, h.dirs + 16), 0u);                // no resources
  EXPECT_EQ(GetU32(b, h.dirs + 20), 0u);
  EXPECT_EQ(GetU32(b, h.opt + 64), Checksum(b));
  ExpectConsistentHeaders(kStub);

  const std::string sections = Readobj("--sections", kStub);
  EXPECT_NE(sections.find("Name: .text "), std::string::npos);
  EXPECT_NE(sections.find("Name: .rdata "), std::string::npos);
  EXPECT_NE(sections.find("Name: .reloc "), std::string::npos);
  EXPECT_EQ(h.sections, 3);

  const std::string imports = Readobj("--coff-imports", kStub);
  EXPECT_NE(imports.find("Name: KERNEL32.dll"), std::string::npos) << imports;
  EXPECT_NE(imports.find("Symbol: DisableThreadLibraryCalls (0)"), std::string::npos) << imports;
  EXPECT_EQ(imports.find("Symbol:"), imports.rfind("Symbol:"));  // the one import
  EXPECT_EQ(imports.find("Name:"), imports.rfind("Name:"));
  EXPECT_EQ(Readobj("--coff-exports", kStub).find("Export {"), std::string::npos);
  EXPECT_TRUE(ReadobjResources(kStub).empty());
  ModulePtr module = OpenModule(Utf8ToWide(kStub));
  ASSERT_TRUE(module);
  EXPECT_TRUE(EnumResourceTypes(*module).empty());
}

// The entry point: DllMain calls DisableThreadLibraryCalls(hinst) through
// the import address table for reason 1 and returns TRUE; the one base
// relocation covers the absolute address of the table entry.
TEST(ResourceEngineStub, EntryPointAndRelocation) {
  const std::vector<uint8_t> b = harness::ReadBytes(kStub);
  const Headers h = HeadersOf(b);
  const uint32_t entry = GetU32(b, h.opt + 16), iat = GetU32(b, h.dirs + 12 * 8);
  std::string disassembly;
  ASSERT_EQ(harness::Shell("llvm-objdump -d --no-show-raw-insn " + kStub, &disassembly), 0);
  const char* expected[] = {"movl\t8(%esp), %eax", "cmpl\t$1, %eax", "jne\t", "pushl\t4(%esp)", "calll\t*",
                            "movl\t$1, %eax", "retl\t$12"};
  size_t at = disassembly.find("Disassembly of section .text");
  for (const char* instruction : expected) {
    at = disassembly.find(instruction, at);
    ASSERT_NE(at, std::string::npos) << instruction << "\n" << disassembly;
  }
  EXPECT_EQ(entry, 0x1000u);
  // The call's operand (entry + 15) holds image base + the IAT entry's RVA.
  const size_t textRaw = 0x400;
  EXPECT_EQ(GetU32(b, textRaw + 15), 0x10000000u + iat);
  const std::string relocs = Readobj("--coff-basereloc", kStub);
  EXPECT_NE(relocs.find("Type: HIGHLOW\n    Address: 0x100F"), std::string::npos) << relocs;
  // The IAT entry names DisableThreadLibraryCalls through its hint/name.
  const uint32_t hintName = GetU32(b, 0x600 + (iat - 0x2000));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[0x600 + (hintName - 0x2000) + 2])), "DisableThreadLibraryCalls");
}

}  // namespace
