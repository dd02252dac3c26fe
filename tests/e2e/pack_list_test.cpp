// The pack list beside the tool, end to end through /lgp: creation from the
// tool's default list, the once-per-run merge and its messages, a user's
// sections surviving, the order of the sections and the GUID comparison.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "e2e/lgp_support.h"
#include "support/harness.h"

namespace {

using harness::Exists;
using harness::ReadFile;
using harness::TempDir;
using harness::Tool;
using harness::WriteFile;

const std::string kDefaultList = ReadFile(std::string(PACKSMITH_SOURCE_DIR) + "/resources/lgp_list.ini");

// The default list's entry lines of one section, each with CR LF.
std::string DefaultLines(const std::string& section) {
  std::string out;
  size_t at = kDefaultList.find("[" + section + "]\r\n");
  if (at == std::string::npos) return out;
  at = kDefaultList.find('\n', at) + 1;
  while (at < kDefaultList.size() && kDefaultList[at] != '[') {
    size_t end = kDefaultList.find('\n', at);
    const std::string line = kDefaultList.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (!line.empty() && line != "\r") out += (line.back() == '\r' ? line.substr(0, line.size() - 1) : line) + "\r\n";
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return out;
}

std::string Generated(const std::vector<std::string>& names) {
  std::string out;
  for (const auto& n : names) out += "Language file (" + n + ".lng) generated\r\n";
  return out;
}

struct PackListTest : testing::Test {
  Tool tool;
  TempDir work;
  std::string toolDir, list;
  void SetUp() override {
    toolDir = harness::RealPath(tool.dir.path);
    list = toolDir + "/lgp_list.ini";
  }
  // The sample install, compiled and copied when a test first asks for it: the
  // test of the default list alone needs none.
  const std::string& Install() {
    if (install.empty()) {
      install = work.Sub("install");
      EXPECT_TRUE(lgp_support::CopySampleInstall(install));
    }
    return install;
  }
  // The messages of a run between the start lines and the completion line.
  std::string Middle(const std::string& run) const {
    const std::string start = "Generated files will be saved in `" + harness::ShownPath(toolDir + "/LangFiles") + "'\r\n";
    size_t from = run.find(start);
    if (from == std::string::npos) return run;
    from += start.size();
    const std::string created = "Successfully created `" + harness::ShownPath(toolDir + "/LangFiles") + "'\r\n";
    if (run.compare(from, created.size(), created) == 0) from += created.size();
    const size_t to = run.find("\r\nCompleted building");
    return run.substr(from, to == std::string::npos ? std::string::npos : to - from);
  }

 private:
  std::string install;
};

TEST_F(PackListTest, DefaultListIsWellFormed) {
  // Single-byte text, CR LF line ends, no line end after the last line.
  ASSERT_FALSE(kDefaultList.empty());
  EXPECT_EQ(kDefaultList.rfind("[Native]\r\n", 0), 0u);
  EXPECT_NE(kDefaultList.back(), '\n');
  EXPECT_EQ(kDefaultList.find("Bonus Bundle"), std::string::npos);
  for (size_t i = 0; i < kDefaultList.size(); ++i) {
    EXPECT_LT(static_cast<unsigned char>(kDefaultList[i]), 0x80u) << i;
    if (kDefaultList[i] == '\n') {
      EXPECT_EQ(kDefaultList[i - 1], '\r') << i;
    }
  }
  // Every value is a registry-form GUID in upper case.
  std::string bad;
  harness::Shell("tr -d '\\r' < '" + std::string(PACKSMITH_SOURCE_DIR) +
                     "/resources/lgp_list.ini' | grep -v '^\\[' | grep -v '^$' | "
                     "grep -Ev '^[a-z0-9_]+\\.(exe|dll|nxs)=\\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\\}$'",
                 &bad);
  EXPECT_EQ(bad, "");
  EXPECT_GE(std::count(kDefaultList.begin(), kDefaultList.end(), '='), 13);
  EXPECT_EQ(lgp_support::DefaultGuid("nuvexa.exe").size(), 38u);
}

TEST_F(PackListTest, CreatedFromTheDefaultThenVerified) {
  const std::string run = tool.Run({Install(), "/lgp"}, work.path);
  EXPECT_EQ(Middle(run), Generated({"nuvexa"}) +
                             "Verifying lgp_list.ini (updating as required)... already up-to-date.\r\n\r\n" +
                             Generated({"nvx_eqpanel", "nvx_hotkeys", "nvx_library", "nvx_lyrics", "nvx_playlist",
                                        "nxcore", "nxskin"}));
  EXPECT_EQ(ReadFile(list), kDefaultList);
  EXPECT_FALSE(Exists(toolDir + "/lgp_list_update.ini"));

  // Deleted: made again from the default.
  ASSERT_EQ(harness::Shell("rm '" + list + "'"), 0);
  tool.Run({Install(), "/lgp"}, work.path);
  EXPECT_EQ(ReadFile(list), kDefaultList);
}

TEST_F(PackListTest, MergeUpdatesAndKeepsTheUsersEntries) {
  const std::string viz = "{5E2C8B7A-93D1-4F60-B1A4-7C0D2E9F3A18}";
  WriteFile(list, "[Native]\r\nnuvexa.exe={11111111-2222-3333-4444-555555555555}\r\n; mine\r\n"
                  "nvx_lyrics.dll={00000000-0000-0000-0000-000000000000}\r\n\r\n[Bonus Bundle]\r\n"
                  "fanmade_viz.dll=" + viz + "\r\n");
  std::string run = tool.Run({Install(), "/lgp"}, work.path);
  // nvx_lyrics.dll: the Native value decides, though Custom has the right one.
  EXPECT_EQ(Middle(run), "Verifying lgp_list.ini (updating as required)... updates have been made.\r\n\r\n" +
                             Generated({"nuvexa", "fanmade_viz", "nvx_eqpanel", "nvx_hotkeys", "nvx_library",
                                        "nvx_playlist", "nxcore", "nxskin"}));
  std::string native = DefaultLines("Native");
  const std::string firstLine = native.substr(0, native.find('\n') + 1);
  EXPECT_EQ(ReadFile(list), "[Native]\r\n" + firstLine + "; mine\r\nnvx_lyrics.dll={00000000-0000-0000-0000-000000000000}\r\n" +
                                native.substr(firstLine.size()) + "\r\n[Bonus Bundle]\r\nfanmade_viz.dll=" + viz +
                                "\r\n[Custom]\r\n" + DefaultLines("Custom"));

  const std::string merged = ReadFile(list);
  run = tool.Run({Install(), "/lgp"}, work.path);
  EXPECT_EQ(Middle(run).rfind("Verifying lgp_list.ini (updating as required)... already up-to-date.\r\n\r\n", 0), 0u);
  EXPECT_EQ(ReadFile(list), merged);
}

TEST_F(PackListTest, KeysIgnoreCaseAndEmptyValuesCountAsMissing) {
  // The default list in another letter case, with the same values; an empty
  // Native value for nvx_lyrics.dll leaves the Custom one to decide, and that
  // one is the module's string 65535 in another letter case.
  std::string upper = kDefaultList;
  for (size_t at = 0; (at = upper.find('\n', at)) != std::string::npos; ++at) {
    for (size_t k = at + 1; k < upper.size() && upper[k] != '='; ++k)
      if (upper[k] != '[') upper[k] = static_cast<char>(std::toupper(static_cast<unsigned char>(upper[k])));
  }
  upper.insert(upper.find("\r\n") + 2, "nvx_lyrics.dll=\r\n");
  WriteFile(list, upper);
  const std::string run = tool.Run({Install(), "/lgp"}, work.path);
  EXPECT_EQ(Middle(run), "Verifying lgp_list.ini (updating as required)... already up-to-date.\r\n\r\n" +
                             Generated({"nuvexa", "nvx_eqpanel", "nvx_hotkeys", "nvx_library", "nvx_lyrics",
                                        "nvx_playlist", "nxcore", "nxskin"}));
  EXPECT_EQ(ReadFile(list), upper);
}

TEST_F(PackListTest, UnlistedOrUnreadableListMakesNothingEligible) {
  // A pack list that names nothing of this install: nothing is processed.
  WriteFile(list, "[Other]\r\nx.dll={00000000-0000-0000-0000-000000000000}\r\n");
  ASSERT_EQ(harness::Shell("chmod a-w '" + list + "'"), 0);
  const std::string run = tool.Run({Install(), "/lgp", "en-gb"}, work.path);
  EXPECT_NE(run.find("Verifying lgp_list.ini (updating as required)... updates have been made.\r\n\r\n"
                     "No files were processed, aborting building Nuvexa-en-gb.lgp\r\n"),
            std::string::npos)
      << run;
  EXPECT_EQ(ReadFile(list), "[Other]\r\nx.dll={00000000-0000-0000-0000-000000000000}\r\n");
}

}  // namespace
