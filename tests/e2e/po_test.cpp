// /po_export and /po_import end to end on the sample install, with GNU
// gettext's own tools as the independent judge of every file written:
// msgfmt -c accepts it, msgcat leaves it as it is, msgmerge carries its
// translations to a new template.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "e2e/lgp_support.h"
#include "support/harness.h"

namespace {

using harness::ReadFile;
using harness::Shell;
using harness::ShownPath;
using harness::TempDir;
using harness::Tool;
using harness::WriteFile;
using lgp_support::FolderFiles;

const char* const kPack = "Nuvexa-en-gb-5_6_3_3234.lgp";
const char* const kModules[] = {"nuvexa",     "fanmade_viz",  "nvx_eqpanel", "nvx_hotkeys", "nvx_library",
                                "nvx_lyrics", "nvx_playlist", "nvx_ripper",  "nxcore",      "nxskin"};

std::string Quote(const std::string& path) { return "'" + path + "'"; }

// msgfmt -c without a word to say (but that a template names no language),
// and msgcat writing the same bytes.
void ExpectGettextAccepts(const std::string& file, bool language = true) {
  std::string said;
  EXPECT_EQ(Shell("msgfmt -c -o /dev/null " + Quote(file) + " 2>&1", &said), 0) << file << "\n" << said;
  EXPECT_EQ(said, language ? "" : file + ":2: warning: header field 'Language' still has the initial default value\n");
  EXPECT_EQ(Shell("msgcat --no-wrap " + Quote(file) + " | cmp -s - " + Quote(file)), 0) << file;
}

// The entries of a PO file after its header.
std::string Body(const std::string& po) { return po.substr(po.find("\n\n")); }

// True when no entry of the file has a translation.
bool Untranslated(const std::string& po) {
  const std::string body = Body(po);
  for (size_t at = body.find("\nmsgstr \""); at != std::string::npos; at = body.find("\nmsgstr \"", at + 1))
    if (body.compare(at + 9, 2, "\"\n") != 0) return false;
  return true;
}

// The line of the first occurrence of `text`.
int LineOf(const std::string& file, const std::string& text) {
  const std::string content = ReadFile(file);
  return 1 + static_cast<int>(std::count(content.begin(), content.begin() + content.find(text), '\n'));
}

void Replace(const std::string& file, const std::string& from, const std::string& to) {
  std::string content = ReadFile(file);
  const size_t at = content.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  WriteFile(file, content.replace(at, from.size(), to));
}

struct PoTest : testing::Test {
  Tool tool;
  TempDir work;
  std::string toolDir, install;
  void SetUp() override {
    if (Shell("command -v msgfmt msgcat msgmerge >/dev/null") != 0) GTEST_SKIP() << "GNU gettext is not installed";
    toolDir = harness::RealPath(tool.dir.path);
    install = work.Sub("Nuvexa");
    ASSERT_TRUE(lgp_support::CopySampleInstall(install));
  }
  std::string Run(const std::vector<std::string>& args) const { return tool.Run(args, work.path); }
  // The en-gb pack of the sample install, exported into `po`.
  std::string ExportBritishPack(const std::string& po) const {
    Run({install, "/lgp", "en-gb"});
    return Run({install, "/po_export", toolDir + "/LangFiles/" + kPack, "/folder=" + po});
  }
};

TEST_F(PoTest, ExportWritesTemplatesAndTranslationsThatGettextAccepts) {
  const std::string templates = toolDir + "/Po";
  const std::string said = Run({install, "/po_export"});
  std::string written;
  for (const char* m : kModules) written += std::string("PO file (") + m + ".pot) written\r\n";
  EXPECT_EQ(said, "Starting export of the Nuvexa install (" + ShownPath(install) + ") as PO templates\r\n" +
                      "Generated files will be saved in `" + ShownPath(templates) + "'\r\nSuccessfully created `" +
                      ShownPath(templates) + "'\r\n" + written + "\r\nCompleted export of 10 PO files\r\n");
  for (const char* m : kModules) ExpectGettextAccepts(templates + "/" + m + ".pot", false);
  const std::string pot = ReadFile(templates + "/nuvexa.pot");
  EXPECT_EQ(pot.substr(0, pot.find("\n\n") + 1),
            "msgid \"\"\nmsgstr \"\"\n\"Project-Id-Version: Nuvexa 5.6.3.3234\\n\"\n\"PO-Revision-Date: \\n\"\n"
            "\"Last-Translator: \\n\"\n\"Language-Team: \\n\"\n\"Language: \\n\"\n\"MIME-Version: 1.0\\n\"\n"
            "\"Content-Type: text/plain; charset=UTF-8\\n\"\n\"Content-Transfer-Encoding: 8bit\\n\"\n"
            "\"X-Generator: Packsmith 2.3\\n\"\n");
  for (const char* entry :
       {"#. Menu item\n#: nuvexa.exe:MENU/1/#0\n", "#. Menu item 40001 under \"&File\"\n#: nuvexa.exe:MENU/1/40001\n"
                                          "msgctxt \"MENU/1/40001\"\nmsgid \"&Open...\\tCtrl+O\"\nmsgstr \"\"\n",
        "#. String 101\n#: nuvexa.exe:STRINGTABLE/101\n#, c-format\nmsgctxt \"STRINGTABLE/101\"\n"
        "msgid \"Now playing: %s\"\nmsgstr \"\"\n",
        "#. Dialog caption, 220 x 90 dialog units\n#: nuvexa.exe:DIALOG/101\nmsgctxt \"DIALOG/101\"\n",
        "#. Dialog control 1001, Static, 200 x 10 dialog units\n"})
    EXPECT_NE(pot.find(entry), std::string::npos) << entry;
  EXPECT_EQ(pot.find("65535"), std::string::npos);  // the pack list's key is no text

  // With the pack: its translations, where they differ, and its language.
  const std::string po = work.Sub("po");
  EXPECT_NE(ExportBritishPack(po).find("\r\nCompleted export of 10 PO files\r\n"), std::string::npos);
  for (const char* m : kModules) ExpectGettextAccepts(po + "/" + m + ".po");
  const std::string nuvexa = ReadFile(po + "/nuvexa.po");
  EXPECT_NE(nuvexa.find("\"Language: en_GB\\n\"\n"), std::string::npos);
  EXPECT_NE(nuvexa.find("msgid \"&Color Themes...\"\nmsgstr \"&Colour Themes...\"\n"), std::string::npos);
  EXPECT_NE(nuvexa.find("msgid \"E&xit\"\nmsgstr \"\"\n"), std::string::npos);
  // The folder the pack was made from gives the same entries.
  const std::string fromFolder = work.Sub("folder");
  Run({install, "/po_export", toolDir + "/LangFiles", "/folder=" + fromFolder});
  for (const char* m : kModules)
    EXPECT_EQ(Body(ReadFile(fromFolder + "/" + m + ".po")), Body(ReadFile(po + "/" + m + ".po"))) << m;
}

TEST_F(PoTest, ImportRebuildsThePackItCameFrom) {
  const std::string po = work.Sub("po");
  ExportBritishPack(po);
  const auto poFiles = FolderFiles(po);
  const std::string out = work.Sub("imported");
  const std::string said = Run({install, "/po_import", po, "en-gb", "/folder=" + out});
  EXPECT_EQ(said.substr(0, said.find("Verifying")),
            "Starting import of the PO files in `" + ShownPath(po) + "'\r\nStarting building nuvexa-en-gb.lgp from "
            "the Nuvexa install in `" + ShownPath(install) + "'\r\nGenerated files will be saved in `" +
            ShownPath(out) + "'\r\nSuccessfully created `" + ShownPath(out) + "'\r\n");
  // The files of the unlisted module and of the one whose GUID differs.
  EXPECT_EQ(said.substr(said.find("\r\nCompleted building")),
            std::string("\r\nCompleted building ") + kPack +
                "\r\n`fanmade_viz.po' is the PO file of no listed module of the install, left out\r\n"
                "`nvx_ripper.po' is the PO file of no listed module of the install, left out\r\n");
  EXPECT_EQ(said.find("line"), std::string::npos);  // no entry was left out
  EXPECT_NE(ReadFile(out + "/nuvexa.lng").find(harness::Utf16le("&Colour Themes...")), std::string::npos);
  EXPECT_EQ(FolderFiles(po), poFiles);  // nothing written outside the output folder
  // A second export of the new pack gives the same files: the language
  // files hold the pack's texts.
  const std::string again = work.Sub("again");
  Run({install, "/po_export", out + "/" + kPack, "/folder=" + again});
  EXPECT_EQ(FolderFiles(again), poFiles);
}

TEST_F(PoTest, MsgmergeAtANewVersionKeepsEveryOtherTranslation) {
  const std::string po = work.Sub("po");
  ExportBritishPack(po);
  // The next player version changes one string and adds one.
  std::string rc = ReadFile(std::string(PACKSMITH_SOURCE_DIR) + "/sample/install/nuvexa.exe.rc");
  const std::string changed = "102 \"Optimize the library";
  rc.replace(rc.find(changed), changed.size(), "102 \"Optimize the whole library");
  rc.replace(rc.find("  65535"), 0, "  104 \"Colorize the visualization\"\n");
  ASSERT_TRUE(harness::BuildResourceDll(rc, install + "/nuvexa.exe"));
  const std::string templates = work.Sub("templates");
  Run({install, "/po_export", "/folder=" + templates});
  ASSERT_EQ(Shell("msgmerge -q --no-wrap --previous -o " + Quote(po + "/nuvexa.po") + " " + Quote(po + "/nuvexa.po") +
                  " " + Quote(templates + "/nuvexa.pot")),
            0);
  EXPECT_NE(ReadFile(po + "/nuvexa.po").find("#| msgid \"Optimize the library for faster searches?\"\n"),
            std::string::npos);

  const std::string out = work.Sub("imported");
  EXPECT_NE(Run({install, "/po_import", po, "en-gb", "/folder=" + out}).find("Completed building"), std::string::npos);
  const std::string again = work.Sub("again");
  Run({install, "/po_export", out + "/" + kPack, "/folder=" + again});
  const std::string nuvexa = ReadFile(again + "/nuvexa.po");
  // The changed text and the new one in their new English; the rest kept.
  EXPECT_NE(nuvexa.find("msgid \"Optimize the whole library for faster searches?\"\nmsgstr \"\"\n"), std::string::npos);
  EXPECT_NE(nuvexa.find("msgid \"Colorize the visualization\"\nmsgstr \"\"\n"), std::string::npos);
  EXPECT_NE(nuvexa.find("msgid \"Normalize the volume of every track\"\nmsgstr \"Normalise the volume of every track\"\n"),
            std::string::npos);
  EXPECT_NE(nuvexa.find("msgstr \"&Colour Themes...\"\n"), std::string::npos);
  EXPECT_EQ(ReadFile(again + "/nvx_eqpanel.po"), ReadFile(po + "/nvx_eqpanel.po"));
}

TEST_F(PoTest, BrokenFilesAndFaultyTranslationsAreNamedAndLeftOut) {
  const std::string po = work.Sub("po");
  ExportBritishPack(po);
  const std::string nuvexa = po + "/nuvexa.po";
  Replace(nuvexa, "msgid \"Now playing: %s\"\nmsgstr \"\"", "msgid \"Now playing: %s\"\nmsgstr \"Spielt: %d\"");
  Replace(nuvexa, "msgstr \"&Colour Themes...\"", "msgstr \"Colour Themes...\"");
  WriteFile(nuvexa, ReadFile(nuvexa) + "\nmsgctxt \"STRINGTABLE/999\"\nmsgid \"Gone\"\nmsgstr \"Weg\"\n");
  const std::string library = po + "/nvx_library.po";
  WriteFile(library, ReadFile(library) + "\nmsgid \"unterminated\nmsgstr \"\"\n");
  const auto lines = [&](const std::string& text) { return std::to_string(LineOf(nuvexa, text)); };

  const std::string out = work.Sub("imported");
  const std::string said = Run({install, "/po_import", po, "en-gb", "/folder=" + out});
  for (const std::string& note :
       {"`nuvexa.po' line " + lines("msgctxt \"STRINGTABLE/101\"") +
            ": the translation of STRINGTABLE/101 in nuvexa.exe is not imported: its printf conversions differ "
            "from the source's\r\n",
        "`nuvexa.po' line " + lines("msgctxt \"MENU/1/40010\"") +
            ": the translation of MENU/1/40010 in nuvexa.exe is not imported: its accelerator marker (&) is "
            "lost\r\n",
        "`nuvexa.po' line " + lines("msgctxt \"STRINGTABLE/999\"") +
            ": STRINGTABLE/999 is not in nuvexa.exe (obsolete), left out\r\n",
        "`" + ShownPath(library) + "' line " + std::to_string(LineOf(library, "msgid \"unterminated")) +
            ": end of line within a string, nvx_library.dll keeps its source texts\r\n"})
    EXPECT_NE(said.find(note), std::string::npos) << note << "\nin:\n" << said;
  EXPECT_NE(said.find("Completed building"), std::string::npos);

  const std::string again = work.Sub("again");
  Run({install, "/po_export", out + "/" + kPack, "/folder=" + again});
  const std::string exported = ReadFile(again + "/nuvexa.po");
  EXPECT_NE(exported.find("msgid \"Now playing: %s\"\nmsgstr \"\"\n"), std::string::npos);
  EXPECT_NE(exported.find("msgid \"&Color Themes...\"\nmsgstr \"\"\n"), std::string::npos);
  EXPECT_NE(exported.find("msgstr \"Normalise the volume of every track\"\n"), std::string::npos);
  EXPECT_FALSE(Untranslated(ReadFile(po + "/nvx_library.po")));
  EXPECT_TRUE(Untranslated(ReadFile(again + "/nvx_library.po")));  // it kept its source texts
  EXPECT_EQ(ReadFile(again + "/nvx_eqpanel.po"), ReadFile(po + "/nvx_eqpanel.po"));
}

}  // namespace
