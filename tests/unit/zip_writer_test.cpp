// The zip writer: the archive switch and append rule, pattern filtering of
// folders, entry names, methods, times and the failure messages. Every
// archive is checked with the independent readers unzip and zipinfo.
#include <gtest/gtest.h>

#include "pack/zip_writer.h"
#include "platform/console.h"
#include "platform/files.h"
#include "support/harness.h"

namespace {

using harness::MakeDirs;
using harness::Shell;
using harness::TempDir;
using harness::WriteFile;

WString W(const std::string& utf8) { return Utf8ToWide(utf8); }

// zipinfo's short listing: one "method name" pair per line, in archive order.
std::string Listing(const std::string& archive) {
  std::string out;
  Shell("zipinfo -s '" + archive + "' | awk 'NF>=9 && $1 ~ /^-/ {print $6\" \"$NF}'", &out);
  return out;
}

bool ArchiveTestsClean(const std::string& archive) {
  std::string out;
  // Exit status 1 is unzip's warning about backslash separators, which the
  // packs use on purpose; anything else is an error.
  const int status = Shell("unzip -t '" + archive + "'", &out);
  return (status == 0 || status == 1) && out.find("No errors detected") != std::string::npos;
}

// Runs `body` with standard output captured; returns what it printed.
template <class Body>
std::string Captured(Body body) {
  ConsoleFlush();
  testing::internal::CaptureStdout();
  body();
  ConsoleFlush();
  return testing::internal::GetCapturedStdout();
}

struct ZipWriterTest : testing::Test {
  TempDir dir;
  void SetUp() override {
    g_zipArchiveName.clear();
    g_zipEntryCount = 0;
  }
};

TEST_F(ZipWriterTest, SwitchCreatesAndLaterWalksAppend) {
  const std::string src = dir.Sub("src"), docs = dir.Sub("docs"), arc = dir.Sub("pack.lgp");
  MakeDirs(src + "/old");
  MakeDirs(docs);
  WriteFile(src + "/b.lng", "bbbb");
  WriteFile(src + "/A.LNG", "aaaa");
  WriteFile(src + "/notes.txt", "not a language file");
  WriteFile(src + "/old/c.lng", "old one");
  WriteFile(docs + "/readme.txt", "read me");
  WriteFile(arc, "an older pack that must go");

  const std::string out = Captured([&] {
    ZipAddFolder(W(src), W(arc), W(src), u"*.lng", false);  // does not descend into old
    EXPECT_EQ(g_zipEntryCount, 2);
    ZipAddFolder(W(docs), W(arc), W(docs), u"*.txt", false);  // same name: appended
    EXPECT_EQ(g_zipEntryCount, 3);
  });
  EXPECT_EQ(out, "");
  EXPECT_EQ(Listing(arc), "stor A.LNG\nstor b.lng\nstor readme.txt\n");
  EXPECT_TRUE(ArchiveTestsClean(arc));

  // Another archive, then back: the return is a switch, so the first entry
  // creates the pack afresh.
  const std::string other = dir.Sub("other.zip");
  ZipAddFolder(W(src), W(other), W(src), u"*.txt", true);
  ZipAddFolder(W(docs), W(arc), W(docs), u"", false);
  EXPECT_EQ(Listing(other), "defX notes.txt\n");
  EXPECT_EQ(Listing(arc), "stor readme.txt\n");
  EXPECT_TRUE(ArchiveTestsClean(other));
  EXPECT_TRUE(ArchiveTestsClean(arc));
}

TEST_F(ZipWriterTest, EmptyFirstWalkCreatesNothing) {
  const std::string src = dir.Sub("src"), arc = dir.Sub("pack.lgp");
  MakeDirs(src + "/sub.lng");  // a folder named like the pattern is walked
  WriteFile(src + "/x.txt", "x");
  ZipAddFolder(W(src), W(arc), W(src), u"*.lng", false);
  ZipAddFolder(W(dir.Sub("missing")), W(arc), W(src), u"*.*", false);
  EXPECT_FALSE(harness::Exists(arc));
  // An existing file of that name is left as it is.
  WriteFile(arc, "keep");
  ZipAddFolder(W(src), W(arc), W(src), u"*.lng", false);
  EXPECT_EQ(harness::ReadFile(arc), "keep");
}

TEST_F(ZipWriterTest, EntryNamesUseBackslashes) {
  const std::string tool = dir.Sub("tool"), free = tool + "/freeform";
  MakeDirs(free + "/skins/dark");
  WriteFile(free + "/top.txt", "t");
  WriteFile(free + "/skins/main.bmp", "BM");
  WriteFile(free + "/skins/dark/Panel.png", "png");
  const std::string arc = dir.Sub("pack.lgp");
  ZipAddFolder(W(free), W(arc), W(tool), u"*.*", true);
  EXPECT_EQ(Listing(arc),
            "defX freeform\\skins\\dark\\Panel.png\ndefX freeform\\skins\\main.bmp\ndefX freeform\\top.txt\n");
  std::string names;
  Shell("zipinfo -1 '" + arc + "'", &names);
  EXPECT_EQ(names.find('/'), std::string::npos);
  EXPECT_TRUE(ArchiveTestsClean(arc));
  // Stored and deflated bodies both come back whole.
  std::string body;
  Shell("unzip -p '" + arc + "' 'freeform\\\\skins\\\\main.bmp'", &body);
  EXPECT_EQ(body, "BM");
}

TEST_F(ZipWriterTest, MethodsAndTimes) {
  const std::string src = dir.Sub("src");
  MakeDirs(src);
  std::string big(100000, 'a');
  WriteFile(src + "/big.lng", big);
  ASSERT_EQ(Shell("touch -t 202403051417.38 '" + src + "/big.lng'"), 0);
  const std::string stored = dir.Sub("s.zip"), deflated = dir.Sub("d.zip");
  ZipAddFolder(W(src), W(stored), W(src), u"*.lng", false);
  ZipAddFolder(W(src), W(deflated), W(src), u"*.lng", true);
  std::string info;
  Shell("zipinfo -T -s '" + stored + "' big.lng", &info);
  EXPECT_NE(info.find("stor 20240305.141738 big.lng"), std::string::npos) << info;
  EXPECT_NE(info.find(" 100000 "), std::string::npos) << info;
  Shell("zipinfo -v '" + deflated + "' big.lng", &info);
  EXPECT_NE(info.find("compression method:                             deflated"), std::string::npos) << info;
  EXPECT_NE(info.find("compression sub-type (deflation):               maximum"), std::string::npos) << info;
  EXPECT_TRUE(ArchiveTestsClean(stored));
  EXPECT_TRUE(ArchiveTestsClean(deflated));

  uint32_t dos = 0;
  ASSERT_EQ(GetDosFileTime(W(src + "/big.lng"), dos), 1);
  EXPECT_EQ(dos, ((2024u - 1980) << 25 | 3u << 21 | 5u << 16 | 14u << 11 | 17u << 5 | 19u));
  EXPECT_EQ(GetDosFileTime(W(src + "/none.lng"), dos), 0);
}

TEST_F(ZipWriterTest, UnreadableFileLeavesEmptyUncountedEntry) {
  const std::string src = dir.Sub("src"), arc = dir.Sub("pack.lgp");
  MakeDirs(src);
  WriteFile(src + "/a.lng", "first");
  ASSERT_EQ(Shell("ln -s nowhere '" + src + "/b.lng'"), 0);
  WriteFile(src + "/c.lng", "third");
  const std::string out = Captured([&] { ZipAddFolder(W(src), W(arc), W(src), u"*.lng", false); });
  EXPECT_EQ(out, "warning - unable to obtain file time for " + src + "/b.lng\r\nerror in opening " + src +
                     "/b.lng for reading\r\n");
  EXPECT_EQ(g_zipEntryCount, 2);
  std::string names;
  Shell("zipinfo -1 '" + arc + "'", &names);
  EXPECT_EQ(names, "a.lng\nb.lng\nc.lng\n");
  std::string sizes;
  Shell("zipinfo -s '" + arc + "' b.lng", &sizes);
  EXPECT_NE(sizes.find(" 0 b"), std::string::npos) << sizes;
  EXPECT_TRUE(ArchiveTestsClean(arc));
}

TEST_F(ZipWriterTest, NamesOutsideWindows1252AreRefused) {
  const std::string src = dir.Sub("src"), arc = dir.Sub("pack.lgp");
  MakeDirs(src);
  WriteFile(src + "/\xE5\x90\x8D.lng", "cjk");          // no Windows-1252 form
  WriteFile(src + "/caf\xC3\xA9.lng", "latin");         // stored as 0xE9
  const std::string out = Captured([&] { ZipAddFolder(W(src), W(arc), W(src), u"*.lng", false); });
  EXPECT_EQ(out, "error in opening " + src + "/?.lng for reading\r\n");
  EXPECT_EQ(g_zipEntryCount, 1);
  // zipinfo translates names from the DOS code page; the raw bytes tell.
  const std::string raw = harness::ReadFile(arc);
  EXPECT_NE(raw.find("caf\xE9.lng"), std::string::npos);
  EXPECT_EQ(raw.find("\xE5\x90\x8D"), std::string::npos);
}

TEST_F(ZipWriterTest, ArchiveThatCannotBeOpened) {
  const std::string src = dir.Sub("src");
  MakeDirs(src);
  WriteFile(src + "/a.lng", "a");
  const std::string arc = dir.Sub("no/such/folder/pack.lgp");
  const std::string out = Captured([&] { ZipAddFolder(W(src), W(arc), W(src), u"*.lng", false); });
  EXPECT_EQ(out, "error opening " + arc + "\r\nerror in opening " + src + "/a.lng in zipfile (-102)\r\nerror in closing " +
                     arc + "\r\n");
  EXPECT_EQ(g_zipEntryCount, 0);
  // A file of that name that is no zip cannot be appended to.
  const std::string junk = dir.Sub("junk.lgp");
  WriteFile(junk, "not a zip");
  const std::string appended =
      Captured([&] { ZipAddFile(false, W(junk), W(src + "/a.lng"), 1, "a.lng"); });
  EXPECT_EQ(appended, "error opening " + junk + "\r\nerror in opening " + src +
                          "/a.lng in zipfile (-102)\r\nerror in closing " + junk + "\r\n");
  EXPECT_EQ(harness::ReadFile(junk), "not a zip");
}

}  // namespace
