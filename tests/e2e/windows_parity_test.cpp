// The Windows build (under Wine) and the Linux build on the same inputs
// give the same bytes: language files, hash texts, pack and hash zip entries
// (names, order, methods, contents), the pack list, diff reports and
// cleaned files, and the same messages once each side's folder is named
// alike. Runs when PACKSMITH_WINDOWS_EXE names the Windows build.
#include <gtest/gtest.h>

#include <map>

#include "e2e/lgp_support.h"
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
  Side linux(Tool::Build::Linux), windows(Tool::Build::Windows);
  for (Side* side : {&linux, &windows}) {
    const std::string install = side->work.Sub("Nuvexa"), out = side->work.Sub("out");
    ASSERT_TRUE(lgp_support::CopySampleInstall(install));
    side->Run({install, "/lgp", "en-gb", "/folder=" + out});
    side->Run({install, "/diff", out + "/Nuvexa-en-gb.lgp", "/folder=" + side->work.Sub("reports")});
    side->Run({out, "/clean"});
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
