// Reading modules compiled by a real resource compiler and linker: stored
// order, the default-language rule, language fallbacks, strings at block
// boundaries, version information, PE32 and PE32+.
#include <gtest/gtest.h>

#include "lngfile/resource_access.h"
#include "pe/resources.h"
#include "support/harness.h"

namespace {

std::string Text(ByteSpan data) { return std::string(data.begin(), data.end()); }

std::string Describe(const ResId& id) {
  return id.isName ? WideToUtf8(id.name) : std::to_string(id.id);
}

// The reader fixture, linked once for each machine.
struct ReaderModule {
  harness::TempDir dir;
  std::string path;
  explicit ReaderModule(const std::string& machine) {
    path = dir.Sub("reader.dll");
    const std::string rc = std::string(PACKSMITH_FIXTURE_DIR) + "/resource_engine/reader.rc";
    std::string log;
    EXPECT_EQ(0, harness::Shell("llvm-rc /nologo /fo " + dir.Sub("r.res") + " -- " + rc + " 2>&1 && lld-link /nologo "
                                "/dll /noentry /machine:" + machine + " " + dir.Sub("r.res") + " /out:" + path + " 2>&1",
                                &log))
        << log;
  }
};

class ResourceEngineReader : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    fixture_ = std::make_unique<ReaderModule>(GetParam());
    module_ = OpenModule(Utf8ToWide(fixture_->path));
    ASSERT_TRUE(module_);
  }
  std::unique_ptr<ReaderModule> fixture_;
  ModulePtr module_;
};

TEST_P(ResourceEngineReader, EnumeratesInStoredOrder) {
  std::string all;
  for (const ResId& type : EnumResourceTypes(*module_)) {
    all += Describe(type) + ":";
    for (const ResId& name : EnumResourceNames(*module_, type)) {
      all += " " + Describe(name) + "(";
      for (uint16_t lang : EnumResourceLanguages(*module_, type, name)) all += std::to_string(lang) + ",";
      all += ")";
    }
    all += "\n";
  }
  EXPECT_EQ(all,
            "TEXT: HELLO(1031,1033,) NEUTRAL(0,)\n"
            "ZTYPE: ALPHA(1033,) ZETA(1033,) 12(1033,)\n"
            "6: 1(1031,1033,) 2(1033,) 4096(1033,)\n"
            "10: 7(1036,) 8(12,) 9(9,1031,) 11(0,1033,)\n"
            "16: 1(1033,)\n");
  // Names are looked up whatever their letter case.
  EXPECT_EQ(EnumResourceNames(*module_, ResId::Str(u"ztype")).size(), 3u);
  EXPECT_EQ(EnumResourceLanguages(*module_, ResId::Str(u"text"), ResId::Str(u"Hello")).size(), 2u);
  EXPECT_TRUE(EnumResourceNames(*module_, ResId::Int(99)).empty());
}

TEST_P(ResourceEngineReader, DefaultLanguageRule) {
  struct Case {
    ResId type, name;
    const char* text;
    uint16_t lang;
  };
  const Case cases[] = {
      {ResId::Str(u"TEXT"), ResId::Str(u"HELLO"), "Hello", 0x0409},       // 0x0409 over the first listed
      {ResId::Str(u"TEXT"), ResId::Str(u"neutral"), "neutral", 0x0000},   // neutral only
      {ResId::Int(kRtRcdata), ResId::Int(7), "seven", 0x040c},            // only one, not English
      {ResId::Int(kRtRcdata), ResId::Int(9), "nine-en", 0x0009},          // 0x0009 over 0x0407
      {ResId::Int(kRtRcdata), ResId::Int(11), "eleven-neutral", 0x0000},  // 0x0000 over 0x0409
  };
  for (const Case& c : cases) {
    ByteSpan data;
    uint16_t found = 0xffff;
    ASSERT_TRUE(FindResourceDefault(*module_, c.type, c.name, data, &found)) << c.text;
    EXPECT_EQ(Text(data), c.text);
    EXPECT_EQ(found, c.lang) << c.text;
  }
  ByteSpan data;
  EXPECT_FALSE(FindResourceDefault(*module_, ResId::Int(kRtRcdata), ResId::Int(8000), data));
  EXPECT_FALSE(FindResourceDefault(*module_, ResId::Str(u"NOPE"), ResId::Int(1), data));
}

TEST_P(ResourceEngineReader, ExactLanguageWithFallbacks) {
  struct Case {
    ResId type, name;
    uint16_t asked;
    const char* text;  // null: not found
  };
  const Case cases[] = {
      {ResId::Str(u"TEXT"), ResId::Str(u"HELLO"), 0x0407, "Hallo"},
      {ResId::Str(u"TEXT"), ResId::Str(u"HELLO"), 0x0409, "Hello"},
      {ResId::Str(u"TEXT"), ResId::Str(u"HELLO"), 0x0809, nullptr},        // no 0x0009, no 0x0000
      {ResId::Int(kRtRcdata), ResId::Int(8), 0x080c, "eight"},              // primary language, neutral sub
      {ResId::Str(u"TEXT"), ResId::Str(u"NEUTRAL"), 0x0400, "neutral"},      // language 0x0000
      {ResId::Int(kRtRcdata), ResId::Int(9), 0x0c09, "nine-en"},
      {ResId::Int(kRtRcdata), ResId::Int(7), 0x0410, nullptr},
  };
  for (const Case& c : cases) {
    ByteSpan data;
    const bool found = FindResourceLang(*module_, c.type, c.name, c.asked, data);
    EXPECT_EQ(found, c.text != nullptr) << c.asked;
    if (found && c.text) {
      EXPECT_EQ(Text(data), c.text);
    }
  }
}

TEST_P(ResourceEngineReader, StringsAtBlockBoundaries) {
  const std::pair<uint32_t, const char16_t*> present[] = {
      {0, u"zero"}, {15, u"fifteen"}, {16, u"sixteen"}, {31, u"thirty-one"}, {65535, u"last"}};
  for (const auto& [id, text] : present) {
    WString s;
    ASSERT_TRUE(LoadModuleString(*module_, id, s)) << id;
    EXPECT_EQ(s, text);  // the default language: 0x0409 over 0x0407
  }
  for (uint32_t id : {1u, 14u, 17u, 32u, 65534u, 65536u}) {
    WString s = u"untouched";
    EXPECT_FALSE(LoadModuleString(*module_, id, s)) << id;
    EXPECT_EQ(s, u"untouched");
  }
}

TEST_P(ResourceEngineReader, FileVersion) {
  uint32_t ms = 0, ls = 0;
  ASSERT_TRUE(GetModuleFileVersion(*module_, ms, ls));
  EXPECT_EQ(ms, 0x00050042u);
  EXPECT_EQ(ls, 0x00070d80u);
}

TEST_P(ResourceEngineReader, FindResourceDataLanguagePolicy) {
  ByteSpan data;
  // Without a language request: the default choice.
  ASSERT_TRUE(FindResourceData(*module_, ResId::Str(u"TEXT"), ResId::Str(u"HELLO"), nullptr, data));
  EXPECT_EQ(Text(data), "Hello");
  // With one: the first language listed, looked up exactly.
  uint16_t lang = kLangUserDefault, found = 0;
  ASSERT_TRUE(FindResourceData(*module_, ResId::Str(u"TEXT"), ResId::Str(u"HELLO"), &lang, data, &found));
  EXPECT_EQ(lang, 0x0407);
  EXPECT_EQ(found, 0x0407);
  EXPECT_EQ(Text(data), "Hallo");
  // Language 0 listed first leaves the caller's value; 0x0400 then falls
  // back to language 0.
  lang = kLangUserDefault;
  ASSERT_TRUE(FindResourceData(*module_, ResId::Str(u"TEXT"), ResId::Str(u"NEUTRAL"), &lang, data, &found));
  EXPECT_EQ(lang, kLangUserDefault);
  EXPECT_EQ(found, 0x0000);
  // 0x0009 listed first, found exactly.
  lang = 0;
  ASSERT_TRUE(FindResourceData(*module_, ResId::Int(kRtRcdata), ResId::Int(9), &lang, data, &found));
  EXPECT_EQ(lang, 0x0009);
  EXPECT_EQ(Text(data), "nine-en");
  lang = 0x1234;
  EXPECT_FALSE(FindResourceData(*module_, ResId::Int(kRtRcdata), ResId::Int(99), &lang, data));
  EXPECT_EQ(lang, 0x1234);
}

INSTANTIATE_TEST_SUITE_P(Machines, ResourceEngineReader, ::testing::Values("x86", "x64"));

TEST(ResourceEngineProbe, ProbeReportsTheFirstListedLanguage) {
  ReaderModule fixture("x86");
  const WString path = Utf8ToWide(fixture.path);
  uint16_t lang = kLangUserDefault, found = 0;
  EXPECT_TRUE(ProbeResource(path, ResId::Str(u"TEXT"), ResId::Str(u"HELLO"), lang, &found));
  EXPECT_EQ(lang, 0x0407);
  lang = 0;
  EXPECT_TRUE(ProbeResource(path, ResId::Str(u"TEXT"), ResId::Str(u"NEUTRAL"), lang, &found));
  EXPECT_EQ(lang, 0);
  EXPECT_EQ(found, 0);
  lang = kLangUserDefault;
  EXPECT_FALSE(ProbeResource(path, ResId::Str(u"HASH"), ResId::Str(u"HASH"), lang));
  EXPECT_FALSE(ProbeResource(path + u".missing", ResId::Str(u"TEXT"), ResId::Str(u"HELLO"), lang));
  EXPECT_EQ(ResIdText(ResId::Int(255)), u"255");
  EXPECT_EQ(ResIdText(ResId::Str(u"HASH")), u"HASH");
}

TEST(ResourceEngineProbe, NeutralListedFirstIsTheCopyLookedUpAndTheProbedLanguageIsRemoved) {
  // Copies in 0x0000 and 0x0400: the neutral one is listed first, so it is
  // the one found, while the caller's language stays 0x0400.
  harness::TempDir dir;
  const std::string path = dir.Sub("both.dll");
  ASSERT_TRUE(harness::BuildResourceDll("LANGUAGE 0, 0\nBOTH TEXT\nBEGIN\n \"neutral\"\nEND\n"
                                        "LANGUAGE 0, 1\nBOTH TEXT\nBEGIN\n \"user\"\nEND\n",
                                        path));
  const ModulePtr module = OpenModule(Utf8ToWide(path));
  ASSERT_TRUE(module);
  ByteSpan data;
  uint16_t lang = kLangUserDefault, found = 0x1234;
  ASSERT_TRUE(FindResourceData(*module, ResId::Str(u"TEXT"), ResId::Str(u"BOTH"), &lang, data, &found));
  EXPECT_EQ(Text(data), "neutral");
  EXPECT_EQ(lang, kLangUserDefault);
  EXPECT_EQ(found, 0x0000);
  // Removal takes the probed language, which is stored.
  ASSERT_TRUE(RemoveResource(Messages(), Utf8ToWide(path), ResId::Str(u"TEXT"), ResId::Str(u"BOTH")));
  const ModulePtr after = OpenModule(Utf8ToWide(path));
  ASSERT_TRUE(after);
  EXPECT_EQ(EnumResourceLanguages(*after, ResId::Str(u"TEXT"), ResId::Str(u"BOTH")), std::vector<uint16_t>{0});
}

}  // namespace
