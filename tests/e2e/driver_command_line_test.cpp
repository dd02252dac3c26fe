// The command line as the built tool reads it: invalid commands, /nomsgs,
// quoting, and paths that do not resolve.
#include <gtest/gtest.h>

#include "support/harness.h"

namespace {

const std::string kBannerEnd = "releases page\r\n\r\n\r\n";
const std::string kMiscEnd = "to get the same write access level.\r\n";

// Everything after the full help; fails when the full help is not there.
std::string AfterFullHelp(const std::string& out) {
  const size_t end = out.find(kMiscEnd);
  if (out.rfind("Packsmith v2.3 BETA 3\r\n", 0) != 0 || end == std::string::npos) {
    ADD_FAILURE() << "no full help in:\n" << out.substr(0, 300);
    return out;
  }
  return out.substr(end + kMiscEnd.size());
}

std::string Invalid(const std::string& rest) { return "\r\nInvalid parameters passed `" + rest + "'\r\n"; }

// `path` as given; `combined` and `cwd` as test paths, printed per platform.
std::string RelativeInvalid(const std::string& combined, const std::string& cwd, const std::string& path) {
  return "Relative path invalid - unable to continue.  Please check the passed path(s).\r\n"
         "Relative path generated: `" + harness::ShownPath(combined) + "' made from `" + harness::ShownPath(cwd) +
         "' and `" + path +
         "'\r\nNow exiting...\r\n\r\n";
}

std::string AbsoluteInvalid(const std::string& path) {
  return "Absolute path invalid - unable to continue.  Please check the passed path.\r\n\r\n"
         "Absolute path generated: `" + harness::ShownPath(path) + "'\r\nNow exiting...\r\n\r\n";
}

}  // namespace

TEST(DriverCommandLine, NoOrUnknownCommandGivesHelpThenTheInvalidLine) {
  harness::Tool tool;
  EXPECT_EQ(AfterFullHelp(tool.Run({})), Invalid(""));
  EXPECT_EQ(AfterFullHelp(tool.Run({"."})), Invalid(""));
  EXPECT_EQ(AfterFullHelp(tool.Run({".", "/bogus", "x", "y"})), Invalid("/bogus x y"));
  // Whole words only: a comma or more letters make it another word.
  EXPECT_EQ(AfterFullHelp(tool.Run({".", "/build,"})), Invalid("/build,"));
  EXPECT_EQ(AfterFullHelp(tool.Run({".", "/buildx", "/folder=x"})), Invalid("/buildx /folder=x"));
  // The whole output for one case, so nothing sits between help and line.
  const std::string out = tool.Run({".", "/zap"});
  EXPECT_EQ(out.size(), out.find(kMiscEnd) + kMiscEnd.size() + Invalid("/zap").size());
  // The Windows build reads the line as the system hands it over; Wine
  // quotes and escapes such arguments on its own, so they are Linux's.
  if (harness::DrivesWindowsBuild()) GTEST_SKIP() << "arguments with quotes or tabs: the line is Wine's";
  // A quoted command word is no command word; its quotes are part of the rest.
  EXPECT_EQ(AfterFullHelp(tool.Run({".", "\"/clean\""})), Invalid("\"/clean\""));
  // Tabs do not separate tokens.
  EXPECT_EQ(AfterFullHelp(tool.Run({".", "/clean\t"})), Invalid("/clean\t"));
}

TEST(DriverCommandLine, NomsgsCountsOnlyAsTheLastArgument) {
  harness::Tool tool;
  // Help still printed, the invalid-parameters line not.
  EXPECT_EQ(AfterFullHelp(tool.Run({".", "/bogus", "/nomsgs"})), "");
  EXPECT_EQ(AfterFullHelp(tool.Run({".", "/bogus", "/NOMSGS"})), "");
  EXPECT_EQ(AfterFullHelp(tool.Run({".", "/nomsgs", "/bogus"})), Invalid("/nomsgs /bogus"));
  EXPECT_EQ(AfterFullHelp(tool.Run({".", "/bogus", "/nomsgsx"})), Invalid("/bogus /nomsgsx"));
  // A path that does not resolve: silent under /nomsgs, loud otherwise.
  EXPECT_EQ(tool.Run({"missing.dll", "/build", "/nomsgs"}), "");
  const std::string cwd = harness::RealPath(tool.dir.path);
  EXPECT_EQ(tool.Run({"missing.dll", "/nomsgs", "/build"}),
            RelativeInvalid(cwd + "/missing.dll", cwd, "missing.dll"));
}

TEST(DriverCommandLine, QuotedPathWithSpacesIsOneToken) {
  harness::Tool tool;
  harness::TempDir work;
  harness::MakeDirs(work.Sub("my folder"));
  harness::MakeDirs(work.Sub("my"));
  // The argument holds a space, so the rebuilt line quotes it.
  EXPECT_EQ(AfterFullHelp(tool.Run({"my folder", "/bogus"}, work.path)), Invalid("/bogus"));
  // Blanks around the path are dropped before it is resolved.
  EXPECT_EQ(AfterFullHelp(tool.Run({"  my folder ", "/bogus"}, work.path)), Invalid("/bogus"));
  // Unquoted, the path is split at the space; the rest becomes the command.
  EXPECT_EQ(AfterFullHelp(tool.Run({"my", "folder", "/bogus"}, work.path)), Invalid("folder /bogus"));
  if (harness::DrivesWindowsBuild()) GTEST_SKIP() << "arguments with quotes: the line is Wine's";
  // Quotes in a token are dropped wherever they stand.
  EXPECT_EQ(AfterFullHelp(tool.Run({"\"my\"", "/bogus"}, work.path)), Invalid("/bogus"));
  EXPECT_EQ(AfterFullHelp(tool.Run({"m\"y\"", "/bogus"}, work.path)), Invalid("/bogus"));
}

TEST(DriverCommandLine, PathsThatDoNotResolve) {
  harness::Tool tool;
  harness::TempDir work;
  const std::string root = harness::RealPath(work.path);
  harness::MakeDirs(root + "/a/b");
  // Relative to the current directory (not the tool's folder), ".." folded.
  EXPECT_EQ(tool.Run({"../x/missing.dll", "/build"}, root + "/a/b"),
            RelativeInvalid(root + "/a/x/missing.dll", root + "/a/b", "../x/missing.dll"));
  EXPECT_EQ(tool.Run({"./../../gone", "/clean", "extra"}, root + "/a/b"),
            RelativeInvalid(root + "/gone", root + "/a/b", "./../../gone"));
  // Absolute: printed as given, no help and no dispatch.
  EXPECT_EQ(tool.Run({root + "/nothing/here.lng", "/clear"}), AbsoluteInvalid(root + "/nothing/here.lng"));
  // Blanks around it are dropped. (On Windows a path that starts with "/"
  // is relative to the current drive.)
  const std::string spaced = root + "/sp ace";
  EXPECT_EQ(tool.Run({" " + spaced + " ", "/bogus"}),
            harness::DrivesWindowsBuild() ? RelativeInvalid(spaced, tool.dir.path, spaced) : AbsoluteInvalid(spaced));
}

TEST(DriverCommandLine, SecondPathsOfIniTxAndDiffResolveLoudly) {
  harness::Tool tool;
  harness::TempDir work;
  const std::string root = harness::RealPath(work.path);
  harness::WriteFile(root + "/x.lng", "not a module");
  EXPECT_EQ(tool.Run({"x.lng", "/ini_tx", "none.ini"}, root), RelativeInvalid(root + "/none.ini", root, "none.ini"));
  EXPECT_EQ(tool.Run({".", "/diff", root + "/no.lgp", "/folder=out"}, root), AbsoluteInvalid(root + "/no.lgp"));
  EXPECT_EQ(tool.Run({".", "/DIFF", "no where", "/nomsgs"}, root), "");
}

// A Linux name is bytes: a module named in Latin-1 (byte 0xE9, no UTF-8) is
// the file built, and the output folder and files keep the exact bytes. The
// console shows each such byte as U+FFFD.
TEST(DriverCommandLine, NamesThatAreNotUtf8KeepTheirBytes) {
  if (harness::DrivesWindowsBuild()) GTEST_SKIP() << "Windows names are UTF-16, never raw bytes";
  harness::Tool tool;
  harness::TempDir work;
  const std::string root = harness::RealPath(work.path);
  ASSERT_TRUE(harness::BuildResourceDll("STRINGTABLE\nBEGIN\n 1 \"OK\"\nEND\n", root + "/m.dll"));
  ASSERT_EQ(::rename((root + "/m.dll").c_str(), (root + "/caf\xe9.dll").c_str()), 0);
  const std::string shown = "\xef\xbf\xbd";
  EXPECT_EQ(tool.Run({"caf\xe9.dll", "/build", "/folder=out\xe9"}, root),
            "Successfully created `out" + shown + "'\r\nStarting hash file generation\r\nout" + shown + "/caf" + shown +
                ".txt " + root + "/caf" + shown + ".dll\r\nLanguage file (caf" + shown +
                ".lng) generated\r\nCompleted language file generation\r\n");
  EXPECT_TRUE(harness::Exists(root + "/out\xe9/caf\xe9.lng"));
  EXPECT_TRUE(harness::Exists(root + "/out\xe9/caf\xe9.txt"));
  EXPECT_FALSE(harness::Exists(root + "/out" + shown));
}

// An unmapped special folder expands to "<invalid>", a name Windows never
// creates: an output folder holding it fails with the usual message here
// too, and nothing of that name appears.
TEST(DriverCommandLine, OutputFolderWithARefusedNameIsNeverCreated) {
  harness::Tool tool;
  harness::TempDir work;
  ASSERT_TRUE(harness::BuildResourceDll("STRINGTABLE\nBEGIN\n 1 \"OK\"\nEND\n", work.Sub("m.dll")));
  for (const std::string folder : {"<invalid>", "<invalid>/x", "sub/<error>"}) {
    EXPECT_EQ(tool.Run({"m.dll", "/build", "/folder=" + folder}, work.path),
              "Unable to create `" + folder + "', aborting\r\n");
  }
  std::string listing;
  harness::Shell("ls -A '" + work.path + "'", &listing);
  EXPECT_EQ(listing.find('<'), std::string::npos) << listing;
  EXPECT_FALSE(harness::Exists(work.Sub("sub")));
}
