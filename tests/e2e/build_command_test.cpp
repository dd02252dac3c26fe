// /build end to end: modules compiled from .rc sources, the built packsmith
// run on them, its messages, language files and hash text files compared
// byte for byte with what the resources themselves give. The expected
// resource bytes come from the compiler's own .res output and the digests
// from md5sum, independently of the tool's module reader and MD5.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "lngfile/dialog_template.h"
#include "lngfile/menu_template.h"
#include "lngfile/resource_access.h"
#include "text/text.h"
#include "support/harness.h"
#include "support/resource_listing.h"

namespace {

using Bytes = std::vector<uint8_t>;
using harness::Crlf;

const std::string kFixtures = std::string(PACKSMITH_FIXTURE_DIR) + "/build/";

struct ResKey {
  std::string type, name;
  bool operator<(const ResKey& o) const { return std::tie(type, name) < std::tie(o.type, o.name); }
  bool operator==(const ResKey& o) const { return type == o.type && name == o.name; }
};

std::string ReadText(const std::string& path) { return harness::ReadFile(path); }

std::string FixtureRc(const std::string& file) {
  std::string rc = ReadText(kFixtures + file);
  for (size_t at; (at = rc.find("@FIXTURES@")) != std::string::npos;) rc.replace(at, 10, kFixtures.substr(0, kFixtures.size() - 1));
  return rc;
}

// The resources of the compiler's .res output in one language.
std::map<ResKey, Bytes> CompileResources(const std::string& rc, uint16_t lang, bool windres = false) {
  harness::TempDir work;
  harness::WriteFile(work.Sub("x.rc"), rc);
  std::map<ResKey, Bytes> out;
  for (listing::Resource& r :
       listing::CompileRes(work.Sub("x.rc"), windres ? harness::Compiler::Windres : harness::Compiler::LlvmRc))
    if (!r.data.empty() && r.lang == lang) out[{r.type, r.name}] = std::move(r.data);
  return out;
}

struct LngResource {
  uint16_t lang;
  Bytes data;
};

// Every resource of a module as the engine reads it, with its languages.
std::map<ResKey, std::vector<LngResource>> ReadModule(const std::string& path) {
  std::map<ResKey, std::vector<LngResource>> out;
  for (listing::Resource& r : listing::ModuleResources(path)) out[{r.type, r.name}].push_back({r.lang, std::move(r.data)});
  return out;
}

// The independent reader's view: "type/name/language" for every leaf.
std::set<std::string> ReadobjLeaves(const std::string& path) {
  std::string text;
  EXPECT_EQ(harness::Shell("llvm-readobj --coff-resources '" + path + "' 2>&1", &text), 0) << text;
  std::set<std::string> leaves;
  std::istringstream lines(text);
  std::string line, type, name;
  auto value = [](const std::string& l) {
    const size_t id = l.find("(ID ");
    if (id != std::string::npos) return "#" + l.substr(id + 4, l.find(')', id) - id - 4);
    const size_t colon = l.find(": ");
    return l.substr(colon + 2, l.rfind(" [") - colon - 2);
  };
  while (std::getline(lines, line)) {
    if (line.find("Type: ") != std::string::npos) type = value(line);
    else if (line.find("Name: ") != std::string::npos) name = value(line);
    else if (line.find("Language: ") != std::string::npos) leaves.insert(type + "/" + name + "/" + value(line));
  }
  return leaves;
}

// md5sum of each blob, turned into the hash file's digest text.
std::vector<std::string> DigestTexts(const std::vector<Bytes>& blobs) {
  harness::TempDir dir;
  std::string files;
  for (size_t i = 0; i < blobs.size(); ++i) {
    const std::string file = dir.Sub(std::to_string(i));
    harness::WriteFile(file, std::string(blobs[i].begin(), blobs[i].end()));
    files += " '" + file + "'";
  }
  std::string sums;
  EXPECT_EQ(harness::Shell("md5sum" + files, &sums), 0);
  std::vector<std::string> out;
  std::istringstream lines(sums);
  for (std::string line; std::getline(lines, line);) {
    std::string text;
    for (int i = 0; i < 16; ++i) text += std::to_string(std::stoi(line.substr(2 * i, 2), nullptr, 16)).substr(0, 1);
    out.push_back(text);
  }
  return out;
}

Bytes Utf16z(const std::u16string& text) {
  Bytes b;
  for (char16_t c : text) {
    b.push_back(static_cast<uint8_t>(c));
    b.push_back(static_cast<uint8_t>(c >> 8));
  }
  b.push_back(0);
  b.push_back(0);
  return b;
}

struct BuiltModule {
  harness::Tool tool;
  harness::TempDir work;
  std::string dll;
  explicit BuiltModule(const std::string& rc, const std::string& file = "gen_color.dll",
                  harness::Compiler compiler = harness::Compiler::LlvmRc) {
    dll = work.Sub(file);
    EXPECT_TRUE(harness::BuildResourceDll(rc, dll, compiler));
  }
  std::string Run(std::vector<std::string> args, const std::string& cwd = "") const {
    args.insert(args.begin(), dll);
    return tool.Run(args, cwd.empty() ? work.path : cwd);
  }
};

// The line that starts the hash file: its path, then the module's.
std::string HashLine(const std::string& folder, const std::string& base, const std::string& dll) {
  return harness::ShownPath(folder + "/" + base + ".txt") + " " + harness::ShownPath(dll) + "\r\n";
}

std::string SuccessMessages(const std::string& folder, const std::string& base, const std::string& dll,
                            bool created = true) {
  return (created ? "Successfully created `" + harness::ShownPath(folder) + "'\r\n"
                  : "Starting working folder cleanup\r\nCompleted working folder cleanup\r\n") +
         "Starting hash file generation\r\n" + HashLine(folder, base, dll) + "Language file (" + base +
         ".lng) generated\r\nCompleted language file generation\r\n";
}

// The expected hash text of module.rc, from its compiled resources.
std::string ExpectedModuleHash(bool special) {
  const auto res = CompileResources(FixtureRc("module.rc"), 0x0409);
  std::vector<std::string> lines;
  std::vector<Bytes> blobs;
  std::vector<std::string> tails;
  auto resource = [&](const std::string& header, const std::string& type, const std::string& name,
                      const std::string& namePart) {
    lines.push_back(header);
    blobs.push_back(res.at({type, name}));
    tails.push_back(namePart + "\r\n");
  };
  auto string = [&](const std::string& header, int id, const std::u16string& text) {
    lines.push_back(header);
    blobs.push_back(Utf16z(text));
    tails.push_back(":\x01" + std::to_string(id) + "\n");
  };
  resource("@GUIDELINES\n", "GUIDELINES", "#1", ":\x01" "1");
  resource("@TEXT\n", "TEXT", "ABOUT", ":\x06" "ABOUT");
  resource("#4\n", "#4", "#101", ":\x01" "101");
  resource("#5\n", "#5", "#200", ":\x01" "200");
  resource("", "#5", "#201", ":\x01" "201");
  string("#6\n", 1, u"OK");
  string("", 2, u"Colors");
  string("", 17, u"Total: %d files");
  resource("#9\n", "#9", "#1", ":\x01" "1");
  if (special) {
    resource("#10\n", "#10", "#300", ":\x01" "300");
    resource("#16\n", "#16", "#1", ":\x01" "1");
  }
  const std::vector<std::string> digests = DigestTexts(blobs);
  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) out += lines[i] + digests[i] + tails[i];
  return out;
}

// The language file holds exactly `expected` (type/name), each in language
// 0x0400 only, as both readers see it; returns what the engine read.
std::map<ResKey, std::vector<LngResource>> CheckLanguageFile(const std::string& lng,
                                                            const std::set<ResKey>& expected) {
  const auto resources = ReadModule(lng);
  std::set<ResKey> keys;
  std::set<std::string> leaves;
  for (const auto& [key, copies] : resources) {
    keys.insert(key);
    EXPECT_EQ(copies.size(), 1u) << key.type << "/" << key.name;
    for (const LngResource& copy : copies) EXPECT_EQ(copy.lang, 0x0400) << key.type << "/" << key.name;
    leaves.insert(key.type + "/" + key.name + "/#1024");
  }
  EXPECT_EQ(keys, expected);
  EXPECT_EQ(ReadobjLeaves(lng), leaves);
  return resources;
}

const std::set<ResKey> kEligible = {{"GUIDELINES", "#1"}, {"TEXT", "ABOUT"}, {"#4", "#101"}, {"#5", "#200"},
                                    {"#5", "#201"},      {"#6", "#1"},       {"#6", "#2"},    {"#6", "#4096"},
                                    {"#9", "#1"}};

std::string LoadString(const std::string& lng, uint32_t id) {
  const ModulePtr module = OpenModule(Utf8ToWide(lng));
  WString text;
  if (!module || !LoadModuleString(*module, id, text)) return "<none>";
  return WideToUtf8(text);
}

}  // namespace

TEST(BuildCommand, CopiesTheEligibleResourcesUnchangedAndWritesTheHashFile) {
  BuiltModule m(FixtureRc("module.rc"));
  const std::string out = m.work.Sub("LangFiles");
  EXPECT_EQ(m.Run({"/build"}), SuccessMessages(out, "gen_color", m.dll));

  const auto lng = CheckLanguageFile(out + "/gen_color.lng", kEligible);
  // Byte for byte the default-language copy (0x0409, not the 0x0407 block).
  const auto source = CompileResources(FixtureRc("module.rc"), 0x0409);
  for (const auto& [key, copies] : lng) EXPECT_EQ(copies.front().data, source.at(key)) << key.type << "/" << key.name;
  EXPECT_EQ(LoadString(out + "/gen_color.lng", 1), "OK");

  EXPECT_EQ(ReadText(out + "/gen_color.txt"), ExpectedModuleHash(false));
}

TEST(BuildCommand, SpecialAddsVersionInformationAndRawData) {
  BuiltModule m(FixtureRc("module.rc"));
  const std::string out = m.work.Sub("LangFiles");
  EXPECT_EQ(m.Run({"/build", "/special"}), SuccessMessages(out, "gen_color", m.dll));
  std::set<ResKey> expected = kEligible;
  expected.insert({"#10", "#300"});
  expected.insert({"#16", "#1"});
  CheckLanguageFile(out + "/gen_color.lng", expected);
  EXPECT_EQ(ReadText(out + "/gen_color.txt"), ExpectedModuleHash(true));
}

TEST(BuildCommand, OptionsInTheirOrder) {
  BuiltModule m(FixtureRc("module.rc"));
  // Every option: a relative /folder= that does not exist yet (it stays
  // relative), the skipped second folder option, the file name, /special
  // and the language.
  EXPECT_EQ(m.Run({"/build", "/folder=out", "/FOLDER=elsewhere", "/filename=French", "/special", "en-gb"}),
            SuccessMessages("out", "French", m.dll));
  EXPECT_TRUE(harness::Exists(m.work.Sub("out/French.lng")));
  EXPECT_TRUE(harness::Exists(m.work.Sub("out/French.txt")));
  EXPECT_FALSE(harness::Exists(m.work.Sub("elsewhere")));
  EXPECT_EQ(ReadText(m.work.Sub("out/French.txt")), ExpectedModuleHash(true));
  EXPECT_EQ(LoadString(m.work.Sub("out/French.lng"), 2), "Colours");

  // Out of order: /filename= after /special is taken for a language token
  // beginning with "/", so it is ignored; no conversion happens.
  harness::TempDir other;
  const std::string folder = other.Sub("abs out");
  // A folder that does not exist yet is printed as typed: the Windows build
  // is given it as a Windows user types an absolute path, with its drive.
  const std::string typed = harness::DrivesWindowsBuild() ? harness::ShownPath(folder) : folder;
  EXPECT_EQ(m.Run({"/build", "/folder=" + typed, "/special", "/filename=French"}),
            SuccessMessages(folder, "gen_color", m.dll));
  EXPECT_EQ(LoadString(folder + "/gen_color.lng", 2), "Colors");
  EXPECT_FALSE(harness::Exists(folder + "/French.lng"));
  // "/Special" is no /special (case-sensitive prefix) and no language.
  EXPECT_EQ(m.Run({"/build", "/folder=" + folder, "/Special"}),
            SuccessMessages(folder, "gen_color", m.dll, false));
  EXPECT_EQ(ReadText(folder + "/gen_color.txt"), ExpectedModuleHash(false));
}

TEST(BuildCommand, SecondRunReplacesTheOutputsAndClearsReadOnly) {
  BuiltModule m(FixtureRc("module.rc"));
  const std::string out = m.work.Sub("LangFiles");
  m.Run({"/build"});
  const std::string hash = ReadText(out + "/gen_color.txt");
  const Bytes lng = harness::ReadBytes(out + "/gen_color.lng");
  EXPECT_EQ(m.Run({"/build"}), SuccessMessages(out, "gen_color", m.dll, false));
  EXPECT_EQ(ReadText(out + "/gen_color.txt"), hash);  // replaced, not appended to
  EXPECT_EQ(harness::ReadBytes(out + "/gen_color.lng"), lng);

  harness::Shell("chmod a-w '" + out + "/gen_color.lng'");
  const std::string expected = "Starting working folder cleanup\r\nDeleteFile failed: `" +
                               harness::ShownPath(out + "/gen_color.lng") +
                               "' [5]\r\nRead-only file. Attempting deletion again...  completed\r\n"
                               "Completed working folder cleanup\r\nStarting hash file generation\r\n" +
                               HashLine(out, "gen_color", m.dll) +
                               "Language file (gen_color.lng) generated\r\nCompleted language file generation\r\n";
  EXPECT_EQ(m.Run({"/build", "en-gb"}), expected);
  EXPECT_EQ(ReadText(out + "/gen_color.txt"), hash);
  EXPECT_EQ(LoadString(out + "/gen_color.lng", 2), "Colours");
}

TEST(BuildCommand, FileThatIsNoModule) {
  BuiltModule m("STRINGTABLE\nBEGIN\n 1 \"x\"\nEND\n");
  harness::WriteFile(m.work.Sub("notes.dll"), "MZ but nothing more");
  const std::string out = m.work.Sub("LangFiles");
  const std::string bad = m.work.Sub("notes.dll");
  EXPECT_EQ(m.tool.Run({bad, "/build"}, m.work.path),
            "Successfully created `" + harness::ShownPath(out) + "'\r\nStarting hash file generation\r\n" +
                HashLine(out, "notes", bad) + "Unable to load the module to transfer\r\nAborting\r\n");
  EXPECT_FALSE(harness::Exists(out + "/notes.txt"));
  EXPECT_FALSE(harness::Exists(out + "/notes.lng"));
}

TEST(BuildCommand, ModuleWithoutTranslatableResources) {
  BuiltModule m("1 24 \"" + kFixtures + "manifest.xml\"\n7 240 \"" + kFixtures + "raw.bin\"\n");
  const std::string out = m.work.Sub("LangFiles");
  EXPECT_EQ(m.Run({"/build", "en-gb"}), SuccessMessages(out, "gen_color", m.dll));
  CheckLanguageFile(out + "/gen_color.lng", {});
  EXPECT_FALSE(harness::Exists(out + "/gen_color.txt"));  // no line to write
}

TEST(BuildCommand, HashTypeIsNeverCopiedWhateverItsCase) {
  BuiltModule m(FixtureRc("module.rc"));
  // Rename the HASH type and name to "Hash" inside the module's name strings.
  std::string bytes = ReadText(m.dll);
  const std::string upper = harness::Utf16le("HASH"), mixed = harness::Utf16le("Hash");
  for (size_t at; (at = bytes.find(upper)) != std::string::npos;) bytes.replace(at, upper.size(), mixed);
  harness::WriteFile(m.dll, bytes);
  ASSERT_EQ(ReadModule(m.dll).count({"Hash", "Hash"}), 1u);
  m.Run({"/build"});
  CheckLanguageFile(m.work.Sub("LangFiles/gen_color.lng"), kEligible);
  EXPECT_EQ(ReadText(m.work.Sub("LangFiles/gen_color.txt")).find("@Hash"), std::string::npos);
}

TEST(BuildCommand, BritishConversionOfEveryTemplate) {
  BuiltModule m(FixtureRc("module.rc"));
  const std::string out = m.work.Sub("LangFiles");
  EXPECT_EQ(m.Run({"/build", "en-GB"}), SuccessMessages(out, "gen_color", m.dll));
  const std::string lngPath = out + "/gen_color.lng";
  const auto lng = CheckLanguageFile(lngPath, kEligible);
  const auto source = CompileResources(FixtureRc("module.rc"), 0x0409);
  // The hash file describes the module, not the converted copy.
  EXPECT_EQ(ReadText(out + "/gen_color.txt"), ExpectedModuleHash(false));

  EXPECT_EQ(LoadString(lngPath, 2), "Colours");
  EXPECT_EQ(LoadString(lngPath, 17), "Total: %d files");
  EXPECT_EQ(LoadString(lngPath, 65534), "Color 65534");
  EXPECT_EQ(LoadString(lngPath, 65535), "{4A3C2B1D-0000-4000-8000-00000000C01A}");

  MenuTemplate menu;
  ASSERT_TRUE(ReadMenuTemplate(lng.at({"#4", "#101"}).front().data, menu));
  ASSERT_EQ(menu.items.size(), 4u);
  EXPECT_EQ(menu.items[1].text, u"Colours...");
  EXPECT_EQ(menu.items[2].text, u"Equaliser");
  EXPECT_EQ(menu.items[3].text, u"Minimise");
  EXPECT_EQ(menu.items[3].id, 40003);

  DialogTemplate dialog;
  ASSERT_TRUE(ReadDialogTemplate(lng.at({"#5", "#200"}).front().data, dialog));
  EXPECT_FALSE(dialog.truncated);
  EXPECT_EQ(dialog.title, u"Colour Equaliser");
  EXPECT_EQ(dialog.typeface, u"MS Shell Dlg");
  EXPECT_EQ(dialog.weight, 400);
  ASSERT_EQ(dialog.items.size(), 2u);
  EXPECT_EQ(dialog.items[0].title.name, u"Optimise colours");
  ASSERT_TRUE(ReadDialogTemplate(lng.at({"#5", "#201"}).front().data, dialog));
  EXPECT_EQ(dialog.title, u"Localisation");
  EXPECT_EQ(dialog.typeface, u"Tahoma");
  EXPECT_EQ(dialog.items[0].title.name, u"Authorisation");

  const Bytes& text = lng.at({"TEXT", "ABOUT"}).front().data;
  EXPECT_EQ(std::string(text.begin(), text.end()),
            "Colour equaliser settings.\r\nOptimise the colours of the visualisation.\r\n");
  EXPECT_EQ(lng.at({"#9", "#1"}).front().data, source.at({"#9", "#1"}));
  EXPECT_EQ(lng.at({"GUIDELINES", "#1"}).front().data, source.at({"GUIDELINES", "#1"}));
}

TEST(BuildCommand, AmericanAndLeetConversions) {
  BuiltModule m(
      "STRINGTABLE\nBEGIN\n 1 \"Colour Equaliser\"\n 2 \"Total: %d files\"\n 3 \"Organisation\"\nEND\n"
      "ABOUT TEXT \"" + kFixtures + "about.txt\"\n");
  const std::string out = m.work.Sub("LangFiles");
  m.Run({"/build", "en-us"});
  EXPECT_EQ(LoadString(out + "/gen_color.lng", 1), "Color Equalizer");
  EXPECT_EQ(LoadString(out + "/gen_color.lng", 3), "Organisation");
  m.Run({"/build", "en-L337"});
  EXPECT_EQ(LoadString(out + "/gen_color.lng", 1), "C010ur 3qu41i53r");
  EXPECT_EQ(LoadString(out + "/gen_color.lng", 2), "70741: %d fi135");
  const auto lng = ReadModule(out + "/gen_color.lng");
  const Bytes& text = lng.at({"TEXT", "ABOUT"}).front().data;
  EXPECT_EQ(std::string(text.begin(), text.end()),
            "C010r 3qu41i23r 5377ing5.\r\n0p7imi23 7h3 c010r5 0f 7h3 vi5u41i247i0n.\r\n");
}

TEST(BuildCommand, MenuExFixOnlyWhenConverting) {
  if (!harness::HaveWindres()) GTEST_SKIP() << "windres is needed for MENUEX";
  const std::string rc = ReadText(kFixtures + "menuex.rc");
  BuiltModule m(rc, "gen_menu.dll", harness::Compiler::Windres);
  const std::string out = m.work.Sub("LangFiles");
  const auto source = CompileResources(rc, 0x0409, true);

  // Mode 0: copied byte for byte, identifiers as they were, no message.
  EXPECT_EQ(m.Run({"/build"}), SuccessMessages(out, "gen_menu", m.dll));
  auto lng = CheckLanguageFile(out + "/gen_menu.lng", {{"#4", "#1"}, {"#4", "#2"}});
  EXPECT_EQ(lng.at({"#4", "#1"}).front().data, source.at({"#4", "#1"}));

  const std::string expected = "Starting working folder cleanup\r\nCompleted working folder cleanup\r\n"
                               "Starting hash file generation\r\n" + HashLine(out, "gen_menu", m.dll) +
                               "MENUEX resource fixed\r\nLanguage file (gen_menu.lng) generated\r\n"
                               "Completed language file generation\r\n";
  EXPECT_EQ(m.Run({"/build", "en-gb"}), expected);
  lng = CheckLanguageFile(out + "/gen_menu.lng", {{"#4", "#1"}, {"#4", "#2"}});
  MenuExTemplate menu;
  ASSERT_TRUE(ReadMenuExTemplate(lng.at({"#4", "#1"}).front().data, menu));
  ASSERT_FALSE(menu.truncated);
  ASSERT_EQ(menu.items.size(), 8u);
  EXPECT_EQ(menu.items[0].helpId, 77u);
  EXPECT_EQ(menu.items[2].id, 0x8003u);
  EXPECT_EQ(menu.items[2].text, u"Colours...");
  EXPECT_EQ(menu.items[4].id, 0xFFFF0000u);
  EXPECT_EQ(menu.items[5].helpId, 0x1234u);
  EXPECT_EQ(menu.items[6].id, 0xFFFFu);
  EXPECT_EQ(menu.items[6].text, u"Equaliser");
  EXPECT_EQ(menu.items[7].text, u"Abc");
  // A menu with nothing to fix or convert comes out the same.
  EXPECT_EQ(lng.at({"#4", "#2"}).front().data, source.at({"#4", "#2"}));
}

TEST(BuildCommand, HashLinesForLongEmptyAndZeroHoldingStrings) {
  std::string longText(5000, 'x');
  BuiltModule m("STRINGTABLE\nBEGIN\n 16 \"" + longText + "\"\n 18 \"Hello\\0World\"\n 20 \"\"\nEND\n"
           "STRINGTABLE\nBEGIN\n 48 \"\"\nEND\n"
           "LONGNAME1234 TEXT \"" + kFixtures + "raw.bin\"\n");
  m.Run({"/build"});
  // Block 2 (ids 16 to 31): the whole 5000 characters are hashed; the
  // characters after an embedded zero count as zeros. Block 4 holds only
  // empty strings and writes nothing, not even its header.
  Bytes zeroHolding = Utf16z(std::u16string(u"Hello\0\0\0\0\0\0", 11));
  const auto digests = DigestTexts({harness::ReadBytes(kFixtures + "raw.bin"),
                                    Utf16z(std::u16string(5000, u'x')), zeroHolding});
  EXPECT_EQ(ReadText(m.work.Sub("LangFiles/gen_color.txt")),
            "@TEXT\n" + digests[0] + ":\x0D" "LONGNAME1234\r\n#6\n" + digests[1] + ":\x01" "16\n" + digests[2] +
                ":\x01" "18\n");
}
