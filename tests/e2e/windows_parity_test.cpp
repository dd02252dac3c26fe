// The Windows build (under Wine) and the Linux build on the same inputs
// give the same bytes: language files, hash texts, pack and hash zip entries
// (names, order, methods, contents), the pack list, diff reports and
// cleaned files, and the same messages once each side's folder is named
// alike. Runs when PACKSMITH_WINDOWS_EXE names the Windows build.
#include <gtest/gtest.h>

#include <map>

#include "e2e/lgp_support.h"
#include "e2e/maintenance_helpers.h"
#include "support/harness.h"

namespace {

using harness::Tool;

struct Side {
  explicit Side(Tool::Build build) : tool(build) {}
  Tool tool;
  harness::TempDir work;
  std::string printed;
  std::map<std::string, std::string> files;

  // The work folder as this side's build prints it.
  std::string Shown() const {
    if (!tool.windows) return work.path;
    std::string out = "Z:" + work.path;
    for (char& c : out)
      if (c == '/') c = '\\';
    return out;
  }
  void Run(const std::vector<std::string>& args) { printed += tool.Run(args, work.path); }
  // What this side printed, with its own folder named "<work>" and the
  // separators of its paths as Linux writes them.
  std::string Printed() const {
    std::string out = printed;
    const std::string shown = Shown();
    for (size_t at; (at = out.find(shown)) != std::string::npos;) {
      size_t end = at + shown.size();
      while (end < out.size() && out[end] != '\'' && out[end] != '\r' && out[end] != ' ') {
        if (out[end] == '\\') out[end] = '/';
        ++end;
      }
      out.replace(at, shown.size(), "<work>");
    }
    return out;
  }
};

TEST(WindowsParity, SameInputsGiveTheSameBytes) {
  if (!harness::DrivesWindowsBuild()) GTEST_SKIP() << "PACKSMITH_WINDOWS_EXE names no Windows build";
  // A language file with leftovers of every kind the maintenance commands
  // remove, and strings to transfer into it.
  harness::TempDir fixtures;
  const std::string leftovers = fixtures.Sub("leftovers.lng");
  ASSERT_TRUE(harness::BuildResourceDll(
      maintenance::Fixture("language_file.rc") +
          "\nLANGUAGE 0, 1\nHASH HASH\nBEGIN\n \"digest\\0\"\nEND\n"
          "LANGUAGE 0, 1\nGUIDELINES DESIGNINFO\nBEGIN\n \"guides\\0\"\nEND\n",
      leftovers));
  harness::WriteFile(fixtures.Sub("strings.ini"), "[Strings]\r\n1=Caf\xE9\r\n20=twenty\r\n4097=far\r\n");

  Side linux(Tool::Build::Linux), windows(Tool::Build::Windows);
  for (Side* side : {&linux, &windows}) {
    const std::string install = side->work.Sub("Nuvexa"), out = side->work.Sub("out");
    ASSERT_TRUE(lgp_support::CopySampleInstall(install));
    side->Run({install, "/lgp", "en-gb", "/folder=" + out});
    side->Run({install, "/diff", out + "/Nuvexa-en-gb-5_6_3_3234.lgp", "/folder=" + side->work.Sub("reports")});
    const std::string maintained = side->work.Sub("maintained");
    harness::MakeDirs(maintained);
    for (const char* name : {"a.lng", "b.lng"}) harness::WriteFile(maintained + "/" + name, harness::ReadFile(leftovers));
    side->Run({maintained + "/a.lng", "/ini_tx", fixtures.Sub("strings.ini")});
    side->Run({maintained + "/a.lng", "/clear"});
    side->Run({maintained, "/clean"});
    side->files = lgp_support::FolderFiles(side->work.path);
    side->files["lgp_list.ini"] = harness::ReadFile(side->tool.dir.Sub("lgp_list.ini"));
  }
  EXPECT_EQ(windows.Printed(), linux.Printed());
  ASSERT_EQ(windows.files.size(), linux.files.size());
  for (const auto& [name, bytes] : linux.files) {
    const auto it = windows.files.find(name);
    ASSERT_NE(it, windows.files.end()) << name;
    EXPECT_TRUE(it->second == bytes) << name << " differs";
  }
  EXPECT_GT(linux.files.size(), 20u);
}

}  // namespace
