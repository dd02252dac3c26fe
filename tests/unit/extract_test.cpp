// The pack extraction in-process: stored paths with either separator,
// folders made on demand, names decoded, hostile names refused, every
// narrow message exact, and the archive never read or written past its
// folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>

#include "e2e/diff_support.h"
#include "pack/extract.h"
#include "os/files.h"

using difftest::MakeZip;
using difftest::ZipEntry;

namespace {

// The target folder lies two levels deep in a fresh folder of its own, so
// that an entry that climbs out of it (by at most two levels) or names a
// place in that folder lands where the test looks for it, never elsewhere.
struct Extraction {
  harness::TempDir dir;
  std::string zip = dir.Sub("pack.lgp");
  std::string target = dir.Sub("outer/target");
  std::string output;
  bool result = false;

  Extraction() { harness::MakeDirs(target); }

  // Runs ExtractArchive, restoring the working folder, and keeps what it
  // printed.
  void Run(const std::string& archive, const std::string& folder) {
    char* cwd = ::getcwd(nullptr, 0);
    testing::internal::CaptureStdout();
    result = ExtractArchive(Utf8ToWide(archive), Utf8ToWide(folder));
    output = testing::internal::GetCapturedStdout();
    EXPECT_EQ(::chdir(cwd), 0);
    ::free(cwd);
  }
  void Run() { Run(zip, target); }
  void Run(const ExtractLimits& limits) {
    char* cwd = ::getcwd(nullptr, 0);
    testing::internal::CaptureStdout();
    result = ExtractArchive(Utf8ToWide(zip), Utf8ToWide(target), limits);
    output = testing::internal::GetCapturedStdout();
    EXPECT_EQ(::chdir(cwd), 0);
    ::free(cwd);
  }
  std::string Read(const std::string& relative) const { return harness::ReadFile(target + "/" + relative); }
  bool Has(const std::string& relative) const { return harness::Exists(target + "/" + relative); }
};

}  // namespace

TEST(ExtractArchive, BothSeparatorsFoldersOnDemandAndOverwrite) {
  Extraction x;
  harness::WriteFile(x.target + "/old.lng", "previous content that is longer");
  ASSERT_TRUE(MakeZip(x.zip, {{"old.lng", "new"},
                              {"freeform\\skins\\a.bmp", "bitmap"},
                              {"docs/", ""},
                              {"docs/readme.txt", "text", false, false},
                              {"ini/deep/er/x.ini", "[x]"}}));
  x.Run();
  EXPECT_TRUE(x.result);
  EXPECT_EQ(x.output, "");
  EXPECT_EQ(x.Read("old.lng"), "new");
  EXPECT_EQ(x.Read("freeform/skins/a.bmp"), "bitmap");
  EXPECT_EQ(x.Read("docs/readme.txt"), "text");
  EXPECT_EQ(x.Read("ini/deep/er/x.ini"), "[x]");
}

TEST(ExtractArchive, EntryTimeBecomesTheFileTime) {
  Extraction x;
  ASSERT_TRUE(MakeZip(x.zip, {{"a.lng", "a"}}));  // 2025-04-14 12:00:00 local time
  x.Run();
  struct stat st;
  ASSERT_EQ(::stat((x.target + "/a.lng").c_str(), &st), 0);
  struct tm local = {};
  const time_t mtime = st.st_mtime;
  ASSERT_NE(::localtime_r(&mtime, &local), nullptr);
  EXPECT_EQ(local.tm_year + 1900, 2025);
  EXPECT_EQ(local.tm_mon + 1, 4);
  EXPECT_EQ(local.tm_mday, 14);
  EXPECT_EQ(local.tm_hour, 12);
  EXPECT_EQ(local.tm_min, 0);
}

TEST(ExtractArchive, NamesDecodedFromWindows1252OrUtf8AndNeverCut) {
  Extraction x;
  const std::string longName(300, 'n');
  ASSERT_TRUE(MakeZip(x.zip, {{"caf\xE9.lng", "1252"},
                              {"na\xC3\xAFve.lng", "utf8", true},
                              {longName.substr(0, 200) + "/" + longName.substr(0, 100) + ".lng", "long"}}));
  x.Run();
  EXPECT_EQ(x.Read("caf\xC3\xA9.lng"), "1252");
  EXPECT_EQ(x.Read("na\xC3\xAFve.lng"), "utf8");
  EXPECT_EQ(x.Read(longName.substr(0, 200) + "/" + longName.substr(0, 100) + ".lng"), "long");
}

TEST(ExtractArchive, HostileNamesAreSkippedAndTheWalkGoesOn) {
  Extraction x;
  const std::string absolute = x.dir.Sub("abs.lng");
  // A name rooted by a backslash, naming a place in the test's own folder.
  std::string rooted = x.dir.Sub("root.lng");
  std::replace(rooted.begin(), rooted.end(), '/', '\\');
  ASSERT_TRUE(MakeZip(x.zip, {{"../up.lng", "x"},
                              {"sub\\..\\..\\up2.lng", "x"},
                              {absolute, "x"},
                              {rooted, "x"},
                              {"C:\\drive.lng", "x"},
                              {"../escaped/", ""},
                              {"con.lng", "x"},
                              {"ads.lng:stream", "x"},
                              {"docs\\trail.\\x.txt", "x"},
                              {std::string(256, 'n') + ".lng", "x"},
                              {"ok.lng", "fine"},
                              {"a..b/c..lng", "dots are fine"}}));
  x.Run();
  EXPECT_TRUE(x.result);
  EXPECT_EQ(x.output,
            "skipping ../up.lng: its path leads outside the target folder\r\n"
            "skipping sub\\..\\..\\up2.lng: its path leads outside the target folder\r\n"
            "skipping " + absolute + ": its path leads outside the target folder\r\n"
            "skipping " + rooted + ": its path leads outside the target folder\r\n"
            "skipping C:\\drive.lng: its path leads outside the target folder\r\n"
            "skipping ../escaped/: its path leads outside the target folder\r\n"
            "skipping con.lng: its path leads outside the target folder\r\n"
            "skipping ads.lng:stream: its path leads outside the target folder\r\n"
            "skipping docs\\trail.\\x.txt: its path leads outside the target folder\r\n"
            "skipping " + std::string(256, 'n') + ".lng: its path leads outside the target folder\r\n");
  // Nothing else anywhere in the test's folder: no escape, in the target
  // folder no refused name.
  std::string files;
  harness::Shell("cd '" + x.dir.path + "' && find . -mindepth 1 | LC_ALL=C sort", &files);
  EXPECT_EQ(files, "./outer\n./outer/target\n./outer/target/a..b\n./outer/target/a..b/c..lng\n"
                   "./outer/target/ok.lng\n./pack.lgp\n");
  EXPECT_EQ(x.Read("ok.lng"), "fine");
  EXPECT_EQ(x.Read("a..b/c..lng"), "dots are fine");
}

TEST(ExtractArchive, NamesThatDifferOnlyInLetterCaseKeepTheFirst) {
  // Whatever the separators and "." components, and with Latin-1 letters
  // too: the first entry of a name is extracted and every later one is
  // named as skipped, as one file system that ignores case would hold them.
  Extraction x;
  ASSERT_TRUE(MakeZip(x.zip, {{"nuvexa.lng", "first"},
                              {"docs/caf\xE9.txt", "first text"},
                              {"NUVEXA.LNG", "second"},
                              {"Docs\\CAF\xC9.TXT", "second text"},
                              {"./nuvexa.lng", "third"},
                              {"other.lng", "other"}}));
  x.Run();
  EXPECT_EQ(x.output,
            "skipping NUVEXA.LNG: an earlier entry has that name\r\n"
            "skipping Docs\\CAF\xC3\x89.TXT: an earlier entry has that name\r\n"
            "skipping ./nuvexa.lng: an earlier entry has that name\r\n");
  EXPECT_EQ(x.Read("nuvexa.lng"), "first");
  EXPECT_EQ(x.Read("docs/caf\xC3\xA9.txt"), "first text");
  EXPECT_EQ(x.Read("other.lng"), "other");
  EXPECT_FALSE(x.Has("NUVEXA.LNG"));
  EXPECT_FALSE(x.Has("Docs"));
}

TEST(ExtractArchive, EntryAndTotalSizesAndPathLengthsAreCapped) {
  // Declared sizes over the caps are skipped before anything is inflated;
  // names this platform cannot create are skipped; the walk goes on.
  Extraction x;
  std::string deep;
  for (int i = 0; i < 17; ++i) deep += std::string(250, 'd') + "/";
  ASSERT_TRUE(MakeZip(x.zip, {{"a.lng", std::string(40, 'a')},
                              {"big.lng", std::string(101, 'b')},
                              {"b.lng", std::string(40, 'b')},
                              {"c.lng", std::string(40, 'c')},
                              {deep + "x.lng", "deep"},
                              {"d.lng", std::string(20, 'd')}}));
  ExtractLimits limits;
  limits.entryBytes = 100;
  limits.totalBytes = 100;
  x.Run(limits);
  EXPECT_TRUE(x.result);
  EXPECT_EQ(x.output,
            "skipping big.lng: larger than 0 MiB, too large for a language pack\r\n"
            "skipping c.lng: the pack unpacks to more than 0 MiB\r\n"
            "skipping " + deep + "x.lng: its path leads outside the target folder\r\n");
  EXPECT_EQ(x.Read("a.lng"), std::string(40, 'a'));
  EXPECT_EQ(x.Read("b.lng"), std::string(40, 'b'));
  EXPECT_EQ(x.Read("d.lng"), std::string(20, 'd'));
  EXPECT_FALSE(x.Has("big.lng"));
  EXPECT_FALSE(x.Has("c.lng"));
  EXPECT_FALSE(x.Has(std::string(250, 'd')));
}

TEST(ExtractArchive, AFifoIsNoArchive) {
  Extraction x;
  ASSERT_EQ(harness::Shell("mkfifo '" + x.zip + "'"), 0);
  x.Run();
  EXPECT_FALSE(x.result);
  EXPECT_EQ(x.output, "Cannot open " + x.zip + " or " + x.zip + ".zip\r\n");
}

TEST(ExtractArchive, OpenAndFolderFailures) {
  {
    Extraction x;
    harness::WriteFile(x.zip, "this is not a zip archive");
    x.Run();
    EXPECT_FALSE(x.result);
    EXPECT_EQ(x.output, "Cannot open " + x.zip + " or " + x.zip + ".zip\r\n");
  }
  {
    Extraction x;
    x.Run("", x.target);
    EXPECT_FALSE(x.result);
    EXPECT_EQ(x.output, "");
  }
  {
    Extraction x;
    ASSERT_TRUE(MakeZip(x.zip, {{"a.lng", "a"}}));
    const std::string missing = x.dir.Sub("missing");
    x.Run(x.zip, missing);
    EXPECT_FALSE(x.result);
    EXPECT_EQ(x.output, "Error changing into " + missing + ", aborting\r\n");
  }
  {
    Extraction x;
    ASSERT_TRUE(MakeZip(x.zip, {}));
    x.Run();
    EXPECT_TRUE(x.result);
    EXPECT_EQ(x.output, "");
  }
}

TEST(ExtractArchive, UncreatableFileIsSkippedCorruptEntryEndsTheWalk) {
  Extraction x;
  harness::MakeDirs(x.target + "/taken.lng");  // a folder where the file should go
  ASSERT_TRUE(MakeZip(x.zip, {{"taken.lng", "x"},
                              {"next.lng", "next"},
                              {"bad.lng", "0123456789", false, false},
                              {"after.lng", "never"}}));
  // Corrupt the stored data of bad.lng: its CRC no longer holds.
  std::string bytes = harness::ReadFile(x.zip);
  const size_t at = bytes.find("0123456789");
  ASSERT_NE(at, std::string::npos);
  bytes[at] = 'X';
  harness::WriteFile(x.zip, bytes);
  x.Run();
  EXPECT_TRUE(x.result);
  EXPECT_EQ(x.output,
            "error opening taken.lng\r\n"
            "error -105 with zipfile in unzCloseCurrentFile\r\n");
  EXPECT_EQ(x.Read("next.lng"), "next");
  EXPECT_FALSE(x.Has("bad.lng"));  // a damaged entry leaves no file
  EXPECT_FALSE(x.Has("after.lng"));
}

TEST(ExtractArchive, FileInTheWayOfAFolderSkipsTheEntry) {
  Extraction x;
  ASSERT_TRUE(MakeZip(x.zip, {{"d", "a file"}, {"d\\q\\x.lng", "x"}, {"e.lng", "e"}}));
  x.Run();
  EXPECT_TRUE(x.result);
  EXPECT_EQ(x.output, "couldn't create directory d\\q\r\nerror opening d\\q\\x.lng\r\n");
  EXPECT_EQ(x.Read("d"), "a file");
  EXPECT_EQ(x.Read("e.lng"), "e");
}

TEST(ExtractArchive, EntryNameContainment) {
  EXPECT_TRUE(IsContainedEntryName(u"a.lng"));
  EXPECT_TRUE(IsContainedEntryName(u"sub\\a.lng"));
  EXPECT_TRUE(IsContainedEntryName(u"..a/b.c\\...lng"));
  EXPECT_TRUE(IsContainedEntryName(u"a//./b.lng"));
  EXPECT_TRUE(IsContainedEntryName(u"./a.lng"));
  EXPECT_FALSE(IsContainedEntryName(u".."));
  EXPECT_FALSE(IsContainedEntryName(u"a/.."));
  EXPECT_FALSE(IsContainedEntryName(u"a\\..\\..\\b"));
  EXPECT_FALSE(IsContainedEntryName(u"/etc/x"));
  EXPECT_FALSE(IsContainedEntryName(u"\\x"));
  EXPECT_FALSE(IsContainedEntryName(u"c:x"));
  EXPECT_FALSE(IsContainedEntryName(u"Z:\\x"));
  // Names Windows cannot hold, refused on every platform alike.
  for (const char16_t* name : {u"a:b.lng", u"x/ads.lng:stream", u"CON", u"con.lng", u"docs/Nul.txt", u"aux.tar.gz",
                               u"prn", u"COM1.lng", u"lpt9", u"sub/LPT3.x/y", u"b../c", u"dot.", u"space /x",
                               u"trail ", u"a<b", u"a>b", u"q?", u"st*r", u"p|pe", u"quo\"te", u"tab\tx"})
    EXPECT_FALSE(IsContainedEntryName(name)) << WideToUtf8(name);
  for (const char16_t* name : {u"CONSOLE.lng", u"COM0.lng", u"COM10", u"LPT", u"nul_x.lng", u"xcon", u". a/b"})
    EXPECT_TRUE(IsContainedEntryName(name)) << WideToUtf8(name);
  EXPECT_TRUE(IsContainedEntryName(WString(255, u'n')));
  EXPECT_FALSE(IsContainedEntryName(u"sub/" + WString(256, u'n')));
}

TEST(MakeDirectoryPath, CreatesEveryMissingFolder) {
  harness::TempDir dir;
  char* cwd = ::getcwd(nullptr, 0);
  ASSERT_EQ(::chdir(dir.path.c_str()), 0);
  EXPECT_FALSE(MakeDirectoryPath(u""));
  EXPECT_TRUE(MakeDirectoryPath(u"one\\two/three/"));
  EXPECT_TRUE(MakeDirectoryPath(u"one\\two/three"));  // existing folders are fine
  EXPECT_EQ(::chdir(cwd), 0);
  ::free(cwd);
  EXPECT_TRUE(harness::Exists(dir.Sub("one/two/three")));
}
