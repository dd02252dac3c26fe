// The path routines: resolution against the current directory, output
// folders, folder variables, temporary names, whole-buffer writes, and the
// clean-up of stale outputs with its messages.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <functional>
#include <regex>

#include "driver/cleanup.h"
#include "driver/console_output.h"
#include "driver/invocation.h"
#include "driver/path_routines.h"
#include "os/files.h"
#include "support/harness.h"

namespace {

WString W(const std::string& s) { return Utf8ToWide(s); }

std::string Captured(const std::function<void()>& body) {
  ConsoleFlush();
  testing::internal::CaptureStdout();
  body();
  ConsoleFlush();
  return testing::internal::GetCapturedStdout();
}

// Runs each test in a fresh current directory and restores the old one.
class DriverPaths : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = CurrentDirectory();
    root_ = harness::RealPath(dir_.path);
    ASSERT_TRUE(ChangeDirectory(W(root_)));
  }
  void TearDown() override { ChangeDirectory(saved_); }
  std::string Sub(const std::string& name) const { return root_ + "/" + name; }
  harness::TempDir dir_;
  std::string root_;
  WString saved_;
  const Messages shown_;
};

using DriverCleanup = DriverPaths;

using harness::EnvOverride;

}  // namespace

TEST_F(DriverPaths, ResolveCleansCombinesAndFolds) {
  harness::MakeDirs(Sub("a/b"));
  harness::WriteFile(Sub("a/gen test.dll"), "x");
  harness::WriteFile(Sub("back\\slash"), "x");
  WString p = u"  \"a/b/../gen test.dll\" ";
  EXPECT_TRUE(ResolvePath(p, ResolveMode::Loud));
  EXPECT_EQ(WideToUtf8(p), Sub("a/gen test.dll"));
  p = u"";
  EXPECT_TRUE(ResolvePath(p, ResolveMode::Quiet));
  EXPECT_EQ(WideToUtf8(p), root_);
  p = u"back\\slash";  // an ordinary name character here
  EXPECT_TRUE(ResolvePath(p, ResolveMode::Quiet));
  EXPECT_EQ(WideToUtf8(p), Sub("back\\slash"));
  p = W(Sub("a/b/"));  // an existing absolute path loses its trailing separator
  EXPECT_TRUE(ResolvePath(p, ResolveMode::Quiet));
  EXPECT_EQ(WideToUtf8(p), Sub("a/b"));
  p = u"/";
  EXPECT_TRUE(ResolvePath(p, ResolveMode::Quiet));
  EXPECT_EQ(p, u"/");
}

TEST_F(DriverPaths, ResolveFailuresLoudAndQuiet) {
  WString p = u" \"new/../out\" ";
  EXPECT_EQ(Captured([&] { EXPECT_FALSE(ResolvePath(p, ResolveMode::Quiet)); }), "");
  EXPECT_EQ(p, u"new/../out");  // still relative, as cleaned
  p = u"x/../missing";
  EXPECT_EQ(Captured([&] { EXPECT_FALSE(ResolvePath(p, ResolveMode::Loud)); }),
            "Relative path invalid - unable to continue.  Please check the passed path(s).\r\n"
            "Relative path generated: `" + Sub("missing") + "' made from `" + root_ +
                "' and `x/../missing'\r\nNow exiting...\r\n\r\n");
  p = W(Sub("gone/"));
  EXPECT_EQ(Captured([&] { EXPECT_FALSE(ResolvePath(p, ResolveMode::Loud)); }),
            "Absolute path invalid - unable to continue.  Please check the passed path.\r\n\r\n"
            "Absolute path generated: `" + Sub("gone/") + "'\r\nNow exiting...\r\n\r\n");
  EXPECT_EQ(Captured([&] { EXPECT_FALSE(ResolvePath(p, ResolveMode::Quiet)); }), "");
}

TEST_F(DriverPaths, InvocationFromTheResolvedPath) {
  harness::MakeDirs(Sub("inst"));
  harness::WriteFile(Sub("inst/gen.test.dll"), "x");
  const WString file = W(Sub("inst/gen.test.dll")), folder = W(Sub("inst"));
  Invocation inv = DeriveInvocation(file, u"/build x", u"x");
  EXPECT_EQ(inv.folder, folder);
  EXPECT_EQ(inv.name, u"gen.test.dll");
  EXPECT_EQ(inv.base, u"gen.test");
  inv = DeriveInvocation(file, u"/LGP en-gb", u"en-gb");
  EXPECT_EQ(inv.folder, folder);
  EXPECT_EQ(inv.name, file);
  EXPECT_EQ(inv.base, file);
  inv = DeriveInvocation(folder, u"/clear", u"");
  EXPECT_EQ(inv.folder, folder);
  EXPECT_EQ(inv.name, u"inst");
  inv = DeriveInvocation(folder, u"/lgpx", u"");  // not /lgp: last component
  EXPECT_EQ(inv.name, u"inst");
}

TEST_F(DriverPaths, OutputFolderFromOptionOrDefault) {
  harness::MakeDirs(Sub("exists"));
  const WString line = u"/folder=new/out  next";
  WString out;
  Cursor after = SelectOutputFolder(line.c_str(), out, nullptr, OutputKind::LangFiles);
  EXPECT_EQ(out, u"new/out");  // missing: stays relative
  EXPECT_EQ(WString(after), u"next");
  const WString quoted = u"\"/folder=exists\" x";
  after = SelectOutputFolder(quoted.c_str(), out, nullptr, OutputKind::Diffs);
  EXPECT_EQ(WideToUtf8(out), Sub("exists"));
  EXPECT_EQ(WString(after), u"x");
  const WString other = u"/Folder=exists x";  // another case: no option
  const WString base = u"/in/Release";
  after = SelectOutputFolder(other.c_str(), out, &base, OutputKind::LangFiles);
  EXPECT_EQ(out, u"/in/Release/LangFiles");
  EXPECT_EQ(after, other.c_str());
  after = SelectOutputFolder(u"", out, nullptr, OutputKind::Diffs);
  EXPECT_EQ(out, GetModuleFolder() + u"/Diffs");
}

TEST_F(DriverPaths, EnsureOutputFolderMessages) {
  bool existed = false;
  EXPECT_EQ(Captured([&] { EXPECT_TRUE(EnsureOutputFolder(shown_, W(root_), existed)); }), "");
  EXPECT_TRUE(existed);
  EXPECT_EQ(Captured([&] { EXPECT_TRUE(EnsureOutputFolder(shown_, u"rel", existed)); }),
            "Successfully created `rel'\r\n");
  EXPECT_FALSE(existed);
  EXPECT_TRUE(IsDirectory(W(Sub("rel"))));  // under the current directory
  EXPECT_EQ(Captured([&] { EXPECT_FALSE(EnsureOutputFolder(shown_, u"a/b", existed)); }),
            "Unable to create `a/b', aborting\r\n");
}

TEST_F(DriverPaths, FolderVariables) {
  EnvOverride home("HOME", "/home/t");
  EnvOverride config("XDG_CONFIG_HOME", nullptr);
  EnvOverride var("PS_TEST_VAR", "v%HOME%");
  EnvOverride unset("PS_TEST_UNSET", nullptr);
  EXPECT_EQ(ExpandFolderVariables(u"{26}\\Nuvexa"), u"/home/t/.config\\Nuvexa");
  EXPECT_EQ(ExpandFolderVariables(u"{abc}/x"), u"/home/t/Desktop/x");  // no digits: 0
  EXPECT_EQ(ExpandFolderVariables(u"{40x}{99}"), u"/home/t<invalid>");
  EXPECT_EQ(ExpandFolderVariables(u"{5"), u"{5");
  EXPECT_EQ(ExpandFolderVariables(u"a{b{40}c}"), u"a{b/home/tc}");
  // Inserted text is not examined again.
  EXPECT_EQ(ExpandFolderVariables(u"%PS_TEST_VAR%/%PS_TEST_UNSET%"), u"v%HOME%/<error>");
  EXPECT_EQ(ExpandFolderVariables(u"50% off"), u"50% off");
  EXPECT_EQ(ExpandFolderVariables(u"%%x"), u"<error>x");
  EXPECT_EQ(ExpandFolderVariables(u"{%HOME%}"), u"/home/t/Desktop");
  EXPECT_EQ(ExpandFolderVariables(u"%{40}%"), u"<error>");
  EXPECT_EQ(ExpandFolderVariables(u""), u"");
}

TEST_F(DriverPaths, TempNamesAndBufferWrites) {
  const WString a = MakeTempFolderName(u"/tmp/"), b = MakeTempFolderName(u"/tmp/");
  EXPECT_TRUE(std::regex_match(WideToUtf8(a), std::regex("/tmp/LNG[0-9a-f]{7}\\.tmp"))) << WideToUtf8(a);
  EXPECT_NE(a, b);
  const WString file = W(Sub("out.txt"));
  WriteBufferToFile(file, std::string_view("a much longer text"), false);
  WriteBufferToFile(file, std::string_view("short"), false);
  EXPECT_EQ(harness::ReadFile(Sub("out.txt")), "short");
  WriteBufferToFile(file, std::string_view("+more"), true);
  EXPECT_EQ(harness::ReadFile(Sub("out.txt")), "short+more");
  EXPECT_FALSE(WriteBufferToFile(W(Sub("no/out.txt")), std::string_view("x"), false));
}

TEST_F(DriverCleanup, DeleteBuildOutputsMessages) {
  EXPECT_EQ(Captured([&] { EXPECT_TRUE(DeleteBuildOutputs(shown_, W(root_), u"none", false)); }),
            "Starting working folder cleanup\r\nCompleted working folder cleanup\r\n");
  harness::WriteFile(Sub("old.txt"), "x");
  harness::WriteFile(Sub("old.lng"), "x");
  ::chmod(Sub("old.lng").c_str(), 0444);
  EXPECT_EQ(Captured([&] { EXPECT_TRUE(DeleteBuildOutputs(shown_, W(root_), u"old", false)); }),
            "Starting working folder cleanup\r\n"
            "DeleteFile failed: `" + Sub("old.lng") + "' [5]\r\n"
            "Read-only file. Attempting deletion again...  completed\r\n"
            "Completed working folder cleanup\r\n");
  EXPECT_FALSE(harness::Exists(Sub("old.txt")));
  EXPECT_FALSE(harness::Exists(Sub("old.lng")));
  // A failure that is no read-only file is told but does not fail the clean-up.
  harness::MakeDirs(Sub("dir.txt"));
  EXPECT_EQ(Captured([&] { EXPECT_TRUE(DeleteBuildOutputs(shown_, W(root_), u"dir", true)); }),
            "DeleteFile failed: `" + Sub("dir.txt") + "' [5]\r\n");
  // A read-only entry that cannot go even once writable fails it, and the
  // failure lines are printed in the quiet form too.
  harness::MakeDirs(Sub("stuck.lng"));
  ::chmod(Sub("stuck.lng").c_str(), 0555);
  EXPECT_EQ(Captured([&] { EXPECT_FALSE(DeleteBuildOutputs(shown_, W(root_), u"stuck", false)); }),
            "Starting working folder cleanup\r\n"
            "DeleteFile failed: `" + Sub("stuck.lng") + "' [5]\r\n"
            "Read-only file. Attempting deletion again...  failed\r\n");
  ::chmod(Sub("stuck.lng").c_str(), 0555);
  EXPECT_EQ(Captured([&] { EXPECT_FALSE(DeleteBuildOutputs(Messages{false}, W(root_), u"stuck", false)); }), "");
}

TEST_F(DriverCleanup, CleanWorkingFolderTakesNamesakes) {
  harness::MakeDirs(Sub("work/sub"));
  for (const char* n : {"old.txt", "old.lng", "readme.doc", "readme.txt", "pack.lgp", "Pack.LNG", "sub/x.lng"})
    harness::WriteFile(Sub(std::string("work/") + n), "x");
  EXPECT_EQ(Captured([&] { CleanWorkingFolder(shown_, W(Sub("work"))); }), "");
  std::vector<std::string> left;
  for (const auto& e : ListDirectory(W(Sub("work")), u"*.*")) left.push_back(WideToUtf8(e.name));
  // Namesakes are found whatever their letter case: Pack.LNG goes with pack.lgp.
  EXPECT_EQ(left, (std::vector<std::string>{"pack.lgp", "readme.doc", "sub"}));
  EXPECT_TRUE(harness::Exists(Sub("work/sub/x.lng")));
}

TEST_F(DriverCleanup, CleanWorkingFolderBesideTheTool) {
  // A relative name that is no folder here is a folder beside the tool.
  const std::string name = "cleanup_test_" + std::to_string(::getpid());
  const std::string beside = WideToUtf8(GetModuleFolder()) + "/" + name;
  harness::MakeDirs(beside);
  harness::WriteFile(beside + "/a.lng", "x");
  harness::WriteFile(beside + "/a.dll", "x");
  CleanWorkingFolder(shown_, W(name));
  EXPECT_FALSE(harness::Exists(beside + "/a.lng"));
  EXPECT_TRUE(harness::Exists(beside + "/a.dll"));
  harness::Shell("rm -rf '" + beside + "'");
}
