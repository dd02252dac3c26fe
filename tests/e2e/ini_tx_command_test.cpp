// /ini_tx end to end: language files compiled from .rc sources, INI files
// in every encoding the profile reader knows, the result read back through
// the resource engine string by string.
#include <gtest/gtest.h>

#include "e2e/maintenance_helpers.h"

namespace {

using maintenance::BlockLanguages;
using Strings = std::map<uint32_t, WString>;
using BlockLangs = std::map<uint16_t, uint16_t>;

const std::string kAttempt = "Attempting to transfer ini strings into lng file...\r\n";
const std::string kDone = "Completed ini string to lng file transfer\r\n";
const std::string kGuid = "{5C1E7A02-3B94-4D6F-8E21-9A0B7C4D2E13}";

std::string Detected(int strings, int blocks) {
  return "Detected " + std::to_string(strings) + " strings to transfer [equals " + std::to_string(blocks) +
         " stringtable blocks]\r\n";
}

WString W(const std::string& utf8) { return Utf8ToWide(utf8); }

// The strings of language_file.rc.
Strings OriginalStrings() {
  Strings s{{0, u"Nuvexa Test Plug-in"}, {65534, u"Second to last"}, {65535, W(kGuid)}};
  for (uint32_t id = 1; id <= 25; ++id) s[id] = W("Original " + std::to_string(id));
  return s;
}

// "k=Value k" lines for keys from..to.
std::string NumberedKeys(int from, int to) {
  std::string out;
  for (int k = from; k <= to; ++k) out += std::to_string(k) + "=Value " + std::to_string(k) + "\r\n";
  return out;
}

// Every block of the string table has exactly the expected language, and
// every string of every block is the expected one (empty slots absent).
void ExpectStringTable(const std::string& path, const Strings& expected, const BlockLangs& languages) {
  ModulePtr module = maintenance::Open(path);
  ASSERT_TRUE(module);
  Strings actual;
  BlockLangs actualLangs;
  for (const ResId& name : EnumResourceNames(*module, ResId::Int(kRtString))) {
    ASSERT_FALSE(name.isName);
    const std::vector<uint16_t> langs = EnumResourceLanguages(*module, ResId::Int(kRtString), name);
    ASSERT_EQ(langs.size(), 1u) << "block " << name.id << " is stored in several languages";
    actualLangs[name.id] = langs[0];
    ByteSpan data;
    ASSERT_TRUE(FindResourceLang(*module, ResId::Int(kRtString), name, langs[0], data));
    StringBlock block;
    EXPECT_TRUE(ReadStringBlock(data, block)) << "block " << name.id;
    EXPECT_TRUE(block.trailing.empty()) << "block " << name.id;
    for (uint32_t p = 0; p < 16; ++p)
      if (!block.strings[p].empty()) actual[StringIdOf(name.id, p)] = block.strings[p];
  }
  EXPECT_EQ(actualLangs, languages);
  ASSERT_EQ(actual.size(), expected.size());
  for (const auto& [id, text] : expected) {
    EXPECT_EQ(WideToUtf8(actual[id]), WideToUtf8(text)) << "string " << id;
    // The loader's view agrees: one copy per block, no stale one.
    EXPECT_EQ(WideToUtf8(maintenance::LoadedString(*module, id)), WideToUtf8(text)) << "string " << id;
  }
}

class IniTx : public ::testing::Test {
 protected:
  harness::Tool tool;
  harness::TempDir dir;
  std::string lng = dir.Sub("gen_test.lng");
  std::string ini = dir.Sub("strings.ini");

  void SetUp() override { ASSERT_TRUE(harness::BuildResourceDll(maintenance::Fixture("language_file.rc"), lng)); }
  std::string Transfer(const std::string& iniBytes) {
    harness::WriteFile(ini, iniBytes);
    return tool.Run({lng, "/ini_tx", ini});
  }
};

TEST_F(IniTx, KeysOneToTwentyInWindows1252ReplaceIdentifiersOneToTwenty) {
  auto before = maintenance::AllResources(lng);
  std::string text = "; translated strings\r\n[Strings]\r\n" + NumberedKeys(1, 6) + "7=Caf\xE9 \x80 \xAB" "ok\xBB\r\n" +
                     NumberedKeys(8, 20);
  EXPECT_EQ(Transfer(text), kAttempt + Detected(20, 2) + kDone);

  Strings expected = OriginalStrings();
  for (uint32_t id = 1; id <= 20; ++id) expected[id] = W("Value " + std::to_string(id));
  expected[7] = u"Caf\u00e9 \u20ac \u00abok\u00bb";
  ExpectStringTable(lng, expected, {{1, 0x0400}, {2, 0x0400}, {4096, 0x0400}});

  // Every other resource is as it was.
  auto after = maintenance::AllResources(lng);
  for (const char* block : {"#6/#1/1024", "#6/#2/1024"}) before.erase(block), after.erase(block);
  EXPECT_EQ(after, before);
  EXPECT_TRUE(maintenance::ReadobjReads(lng));
}

TEST_F(IniTx, GapsKeepTheFileStringsAndKeysLandOnTheirNumbers) {
  // A gap of one (3), of three (5 to 7) and a long one (11 to 39); a name
  // that is no number continues at the next identifier; an empty value
  // empties its string; an enclosing pair of quotes is dropped.
  const std::string text =
      "[Strings]\r\n1=a\r\n2=b\r\n4=\"  d  \"\r\n8=h\r\ntitle=t\r\n10=\r\n40=forty\r\n";
  EXPECT_EQ(Transfer(text), kAttempt + Detected(7, 3) + kDone);

  Strings expected = OriginalStrings();
  expected[1] = u"a";
  expected[2] = u"b";
  expected[4] = u"  d  ";
  expected[8] = u"h";
  expected[9] = u"t";
  expected.erase(10);
  expected[40] = u"forty";
  // Block 2 (16 to 31) receives nothing and stays; block 3 is new.
  ExpectStringTable(lng, expected, {{1, 0x0400}, {2, 0x0400}, {3, 0x0400}, {4096, 0x0400}});
}

TEST_F(IniTx, KeysBeyondTheLastIdentifierLandNowhere) {
  // 65534 is the last identifier an item can take; the item numbered 65535
  // would go to the pack-list string, which is never replaced, and a huge
  // number neither hangs nor fills memory with placeholders.
  const std::string text = "[S]\r\n1=a\r\n65534=last\r\n65535=never\r\n99999999999=nowhere\r\n";
  EXPECT_EQ(Transfer(text), kAttempt + Detected(4, 4097) + kDone);
  Strings expected = OriginalStrings();
  expected[1] = u"a";
  expected[65534] = u"last";
  ExpectStringTable(lng, expected, {{1, 0x0400}, {2, 0x0400}, {4096, 0x0400}});
}

TEST_F(IniTx, TwoSectionsInUtf8FollowOneAnother) {
  const std::string text =
      "[First]\n1=one\n2=Gr\xC3\xBC\xC3\x9F" "e\n3=three\n\n[Second]\n1=\xE6\x97\xA5\xE6\x9C\xAC\n2=dos\n";
  EXPECT_EQ(Transfer(text), kAttempt + Detected(5, 1) + kDone);

  Strings expected = OriginalStrings();
  expected[1] = u"one";
  expected[2] = u"Gr\u00fc\u00dfe";
  expected[3] = u"three";
  expected[4] = u"\u65e5\u672c";
  expected[5] = u"dos";
  ExpectStringTable(lng, expected, {{1, 0x0400}, {2, 0x0400}, {4096, 0x0400}});
}

TEST_F(IniTx, Utf16IniWithLongValuesKeepsThemWhole) {
  const std::string longValue(3000, 'x');
  const std::string text = "\xFF\xFE" + harness::Utf16le("[S]\r\n1=\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD"
                                                         "\xCE\xB9\xCE\xBA\xCE\xAC\r\n2=\xF0\x9F\x98\x80 smile\r\n"
                                                         "3=" + longValue + "\r\n17=seventeen\r\n");
  EXPECT_EQ(Transfer(text), kAttempt + Detected(4, 2) + kDone);

  Strings expected = OriginalStrings();
  expected[1] = u"\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac";
  expected[2] = u"\U0001F600 smile";
  expected[3] = W(longValue);
  expected[17] = u"seventeen";
  ExpectStringTable(lng, expected, {{1, 0x0400}, {2, 0x0400}, {4096, 0x0400}});
}

TEST_F(IniTx, ValueBeyondTheCountLimitIsCutToIt) {
  // A string's count is 16 bits: a longer value keeps its first 65535 units.
  EXPECT_EQ(Transfer("[S]\r\n1=" + std::string(70000, 'y') + "\r\n2=two\r\n"), kAttempt + Detected(2, 1) + kDone);
  Strings expected = OriginalStrings();
  expected[1] = WString(65535, u'y');
  expected[2] = u"two";
  ExpectStringTable(lng, expected, {{1, 0x0400}, {2, 0x0400}, {4096, 0x0400}});
}

TEST_F(IniTx, MoreItemsThanIdentifiersLeaveString65535Alone) {
  EXPECT_EQ(Transfer("[Strings]\r\n" + NumberedKeys(1, 65540)), kAttempt + Detected(65540, 4097) + kDone);

  Strings expected = OriginalStrings();
  for (uint32_t id = 1; id <= 65534; ++id) expected[id] = W("Value " + std::to_string(id));
  BlockLangs langs;
  for (uint16_t block = 1; block <= 4096; ++block) langs[block] = 0x0400;
  // No block past 4096: it could only hold identifiers above 65535.
  ExpectStringTable(lng, expected, langs);
}

TEST(IniTxLanguages, BlocksKeepTheLanguageTheyAreStoredIn) {
  harness::Tool tool;
  harness::TempDir dir;
  const std::string german = dir.Sub("de.lng"), neutral = dir.Sub("neutral.lng"), ini = dir.Sub("s.ini");
  const std::string table = "STRINGTABLE\nBEGIN\n 0 \"zero\"\n 1 \"one\"\n 5 \"five\"\n 65535 \"" + kGuid + "\"\nEND\n";
  ASSERT_TRUE(harness::BuildResourceDll("LANGUAGE 7, 1\n" + table, german));
  ASSERT_TRUE(harness::BuildResourceDll("LANGUAGE 0, 0\n" + table, neutral));
  harness::WriteFile(ini, "[S]\r\n" + NumberedKeys(1, 20));

  Strings expected{{0, u"zero"}, {65535, W(kGuid)}};
  for (uint32_t id = 1; id <= 20; ++id) expected[id] = W("Value " + std::to_string(id));

  // The file's language (block 4096's) for the block that did not exist.
  EXPECT_EQ(tool.Run({german, "/ini_tx", ini}), kAttempt + Detected(20, 2) + kDone);
  ExpectStringTable(german, expected, {{1, 0x0407}, {2, 0x0407}, {4096, 0x0407}});

  // A block stored only in language 0 is rewritten in language 0, so no
  // stale copy shadows the new one; a new block takes 0x0400.
  EXPECT_EQ(tool.Run({neutral, "/ini_tx", ini}), kAttempt + Detected(20, 2) + kDone);
  ExpectStringTable(neutral, expected, {{1, 0x0000}, {2, 0x0400}, {4096, 0x0000}});
}

TEST_F(IniTx, CutBlockIsWrittenBackWhole) {
  // Block 2 ends inside its second string: the slot read whole is kept,
  // the rest of the block is written back as empty counted strings.
  {
    ResourceUpdatePtr update = BeginResourceUpdate(Utf8ToWide(lng));
    ASSERT_TRUE(update);
    const std::vector<uint8_t> cut = {1, 0, 'Q', 0, 9, 0, 'a', 0, 'b', 0};
    UpdateResourceItem(*update, ResId::Int(kRtString), ResId::Int(2), 0x0400, cut);
    ASSERT_TRUE(CommitResourceUpdate(std::move(update)));
  }
  EXPECT_EQ(Transfer("[S]\r\n1=one\r\n18=eighteen\r\n"), kAttempt + Detected(2, 2) + kDone);
  Strings expected = OriginalStrings();
  for (uint32_t id = 17; id <= 25; ++id) expected.erase(id);
  expected[1] = u"one";
  expected[16] = u"Q";
  expected[18] = u"eighteen";
  ExpectStringTable(lng, expected, {{1, 0x0400}, {2, 0x0400}, {4096, 0x0400}});
  std::vector<uint8_t> raw;
  maintenance::BlockStrings(lng, 2, 0x0400, &raw);
  EXPECT_EQ(raw.size(), 32u + 2 * (1 + 8));
}

TEST(IniTxOnBuiltFile, TransferIntoALanguageFileMadeByBuildThenClean) {
  harness::Tool tool;
  harness::TempDir dir;
  const std::string module = dir.Sub("gen_test.dll"), ini = dir.Sub("s.ini");
  const std::string lng = dir.Sub("LangFiles/gen_test.lng");
  ASSERT_TRUE(harness::BuildResourceDll(
      "LANGUAGE 9, 1\nSTRINGTABLE\nBEGIN\n 0 \"Test\"\n 1 \"Open\"\n 2 \"Close\"\n 3 \"Exit\"\n"
      " 65535 \"" + kGuid + "\"\nEND\nGUIDELINES DESIGNINFO\nBEGIN\n \"guides\\0\"\nEND\n",
      module));
  tool.Run({module, "/build"});
  ASSERT_TRUE(harness::Exists(lng));
  harness::WriteFile(ini, "[Deutsch]\r\n1=\xC3\x96" "ffnen\r\n3=Beenden\r\n");
  EXPECT_EQ(tool.Run({lng, "/ini_tx", ini}), kAttempt + Detected(2, 1) + kDone);
  ExpectStringTable(lng, {{0, u"Test"}, {1, u"\u00d6ffnen"}, {2, u"Close"}, {3, u"Beenden"}, {65535, W(kGuid)}},
                    {{1, 0x0400}, {4096, 0x0400}});
  EXPECT_TRUE(maintenance::ReadobjReads(lng));
  // The builder keeps the resource editor's data; /clean strips it.
  EXPECT_EQ(tool.Run({lng, "/clean"}),
            "Attempting to cleanup the lng files in the passed folder...\r\n"
            "Completed lng file cleanup (gen_test.lng)\r\nCompleted lng file cleanup - 1 file was cleaned.\r\n");
  EXPECT_TRUE(maintenance::Languages(lng, ResId::Str(u"DESIGNINFO"), ResId::Str(u"GUIDELINES")).empty());
}

TEST(IniTxUnchanged, FilesThatCannotTakeTheTransferStayByteForByte) {
  SKIP_WITHOUT_LINUX_LIMITS();
  harness::Tool tool;
  harness::TempDir dir;
  const std::string noBlock = dir.Sub("no_4096.lng"), notModule = dir.Sub("text.lng"), readOnly = dir.Sub("ro.lng");
  const std::string ini = dir.Sub("s.ini"), empty = dir.Sub("empty.ini"), missing = dir.Sub("missing.ini");
  ASSERT_TRUE(harness::BuildResourceDll("STRINGTABLE\nBEGIN\n 1 \"one\"\n 2 \"two\"\nEND\n", noBlock));
  ASSERT_TRUE(harness::BuildResourceDll(maintenance::Fixture("language_file.rc"), readOnly));
  harness::WriteFile(notModule, "MZ but not really a module\r\n");
  harness::WriteFile(ini, "[S]\r\n" + NumberedKeys(1, 20));
  harness::WriteFile(empty, "; no sections\r\nkey=value\r\n");
  ASSERT_EQ(harness::Shell("chmod a-w '" + readOnly + "'"), 0);

  std::map<std::string, std::string> before;
  for (const auto& f : {noBlock, notModule, readOnly}) before[f] = harness::ReadFile(f);

  // No block 4096, no module, no sections: nothing is said and nothing done.
  EXPECT_EQ(tool.Run({noBlock, "/ini_tx", ini}), kAttempt + kDone);
  EXPECT_EQ(tool.Run({notModule, "/ini_tx", ini}), kAttempt + kDone);
  EXPECT_EQ(tool.Run({readOnly, "/ini_tx", empty}), kAttempt + kDone);
  // A missing INI file ends the run at the path check.
  EXPECT_EQ(tool.Run({noBlock, "/ini_tx", missing}),
            "Absolute path invalid - unable to continue.  Please check the passed path.\r\n\r\n"
            "Absolute path generated: `" + missing + "'\r\nNow exiting...\r\n\r\n");
  // A read-only file refuses the update when it begins: each block says so.
  const std::string failed = "Failed to commit the updates to the lng file (" + readOnly + ") - invalid file passed\r\n";
  EXPECT_EQ(tool.Run({readOnly, "/ini_tx", ini}), kAttempt + Detected(20, 2) + failed + failed + kDone);
  EXPECT_EQ(tool.Run({readOnly, "/ini_tx", ini, "/nomsgs"}), "");

  // All blocks are one commit: when the file with every block would be
  // larger than a file may be, none is written, though the first block
  // alone would fit.
  const std::string limited = dir.Sub("limited.lng"), big = dir.Sub("big.ini");
  ASSERT_TRUE(harness::BuildResourceDll(maintenance::Fixture("language_file.rc"), limited));
  before[limited] = harness::ReadFile(limited);
  harness::WriteFile(big, "[S]\r\n1=one\r\n" + [] {
    std::string keys;
    for (int k = 17; k <= 48; ++k) keys += std::to_string(k) + "=" + std::string(1000, 'z') + "\r\n";
    return keys;
  }());
  harness::Tool::Limits limits;
  limits.fileSizeBytes = static_cast<long>(before[limited].size()) + 4096;
  const std::string full = "Failed to commit the updates to file (" + limited + ")\r\n";
  const harness::Tool::Result r = tool.RunLimited({limited, "/ini_tx", big}, limits);
  EXPECT_EQ(r.out, kAttempt + Detected(33, 4) + full + full + full + full + kDone) << r.err;

  for (const auto& [file, bytes] : before) EXPECT_TRUE(harness::ReadFile(file) == bytes) << file;
}

TEST(IniTxCodeModule, SectionsAroundTheResourcesStayAsTheyWere) {
  // The string table grows, so the resource section grows past .reloc.
  harness::Tool tool;
  harness::TempDir dir;
  const std::string dll = dir.Sub("code.lng"), ini = dir.Sub("s.ini");
  ASSERT_TRUE(maintenance::BuildModule(maintenance::Fixture("language_file.rc"), dll,
                                       maintenance::Fixture("code_module.c")));
  auto sectionsBefore = maintenance::SectionBytes(dll);
  ASSERT_TRUE(sectionsBefore.count(".reloc"));
  std::string text = "[S]\r\n";
  for (int k = 1; k <= 60; ++k) text += std::to_string(k) + "=" + std::string(200, 'a' + k % 26) + "\r\n";
  harness::WriteFile(ini, text);
  EXPECT_EQ(tool.Run({dll, "/ini_tx", ini}), kAttempt + Detected(60, 4) + kDone);

  Strings expected = OriginalStrings();
  for (uint32_t id = 1; id <= 60; ++id) expected[id] = WString(200, static_cast<char16_t>(u'a' + id % 26));
  ExpectStringTable(dll, expected, {{1, 0x0400}, {2, 0x0400}, {3, 0x0400}, {4, 0x0400}, {4096, 0x0400}});
  auto sectionsAfter = maintenance::SectionBytes(dll);
  sectionsBefore.erase(".rsrc");
  sectionsAfter.erase(".rsrc");
  EXPECT_TRUE(sectionsAfter == sectionsBefore);
  EXPECT_TRUE(maintenance::ReadobjReads(dll));
}

}  // namespace
