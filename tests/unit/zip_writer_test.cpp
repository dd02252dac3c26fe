// The zip writer: the archive switch and append rule, pattern filtering of
// folders, entry names, methods, times and the failure messages. Every
// archive is checked with the independent readers unzip and zipinfo.
#include <gtest/gtest.h>

#include "pack/zip_writer.h"
#include "os/console.h"
#include "os/files.h"
#include "support/harness.h"

#ifdef _WIN32
#include <minizip/unzip.h>
#endif

namespace {

using harness::MakeDirs;
using harness::Shell;
using harness::TempDir;
using harness::WriteFile;

WString W(const std::string& utf8) { return Utf8ToWide(utf8); }

#ifndef _WIN32
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

// The separator the writer puts between a folder and a name.
const char kSep[] = "/";
#else
// Windows has no zipinfo or unzip: the archive is read back with minizip's
// reader, the listing in zipinfo's terms ("stor", or "defX" for deflate at
// the maximum level), every entry's CRC checked as it is read.
template <class Each>
bool EachEntry(const std::string& archive, Each each) {
  unzFile zip = unzOpen(archive.c_str());
  if (!zip) return false;
  bool ok = true;
  for (int at = unzGoToFirstFile(zip); ok && at == UNZ_OK; at = unzGoToNextFile(zip)) {
    unz_file_info info;
    char name[1024];
    ok = unzGetCurrentFileInfo(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) == UNZ_OK &&
         unzOpenCurrentFile(zip) == UNZ_OK;
    char buf[4096];
    int n = 0;
    while (ok && (n = unzReadCurrentFile(zip, buf, sizeof buf)) > 0) {
    }
    ok = ok && n == 0 && unzCloseCurrentFile(zip) == UNZ_OK;
    if (ok) each(info, std::string(name));
  }
  unzClose(zip);
  return ok;
}

std::string Listing(const std::string& archive) {
  std::string out;
  EachEntry(archive, [&](const unz_file_info& info, const std::string& name) {
    out += (info.compression_method == 0 ? "stor " : (info.flag & 6) == 2 ? "defX " : "defN ") + name + "\n";
  });
  return out;
}

bool ArchiveTestsClean(const std::string& archive) {
  return EachEntry(archive, [](const unz_file_info&, const std::string&) {});
}

const char kSep[] = "\\";
#endif

// Runs `body` with standard output captured; returns what it printed.
template <class Body>
std::string Captured(Body body) {
  ConsoleFlush();
  testing::internal::CaptureStdout();
  body();
  ConsoleFlush();
#ifndef _WIN32
  return testing::internal::GetCapturedStdout();
#else
  // GoogleTest reads the captured output back in text mode, which turns
  // "\r\n" into "\n"; the console test checks the bytes themselves.
  std::string out;
  for (char c : testing::internal::GetCapturedStdout()) {
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
  return out;
#endif
}

struct ZipWriterTest : testing::Test {
  TempDir dir;
};

// One session: the walk, then the archive closed and renamed into place.
ZipResult ZipOneFolder(const std::string& folder, const std::string& archive, const std::string& nameBase,
                       const char16_t* pattern, bool compress, int* entries = nullptr) {
  ZipSession session(W(archive));
  ZipAddFolder(session, W(folder), W(nameBase), pattern, compress);
  if (entries) *entries = session.entryCount;
  return ZipFinish(session);
}

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
    ZipSession session(W(arc));
    ZipAddFolder(session, W(src), W(src), u"*.lng", false);  // does not descend into old
    EXPECT_EQ(session.entryCount, 2);
    ZipAddFolder(session, W(docs), W(docs), u"*.txt", false);  // same session: appended
    EXPECT_EQ(session.entryCount, 3);
    // The old file stays until the new archive is whole.
    EXPECT_EQ(harness::ReadFile(arc), "an older pack that must go");
    EXPECT_EQ(ZipFinish(session), ZipResult::Written);
  });
  EXPECT_EQ(out, "");
  EXPECT_EQ(Listing(arc), "stor A.LNG\nstor b.lng\nstor readme.txt\n");
  EXPECT_TRUE(ArchiveTestsClean(arc));
#ifndef _WIN32
  EXPECT_EQ(Shell("ls '" + dir.path + "' | grep -v -x -e src -e docs -e pack.lgp"), 1);
#endif

  // A new session on the name creates the pack afresh.
  const std::string other = dir.Sub("other.zip");
  ZipOneFolder(src, other, src, u"*.txt", true);
  ZipOneFolder(docs, arc, docs, u"", false);
  EXPECT_EQ(Listing(other), "defX notes.txt\n");
  EXPECT_EQ(Listing(arc), "stor readme.txt\n");
  EXPECT_TRUE(ArchiveTestsClean(other));
  EXPECT_TRUE(ArchiveTestsClean(arc));
}

TEST_F(ZipWriterTest, EmptyFirstWalkCreatesNothing) {
  const std::string src = dir.Sub("src"), arc = dir.Sub("pack.lgp");
  MakeDirs(src + "/sub.lng");  // a folder named like the pattern is walked
  WriteFile(src + "/x.txt", "x");
  {
    ZipSession session(W(arc));
    ZipAddFolder(session, W(src), W(src), u"*.lng", false);
    ZipAddFolder(session, W(dir.Sub("missing")), W(src), u"*.*", false);
    EXPECT_EQ(ZipFinish(session), ZipResult::NoEntries);
  }
  EXPECT_FALSE(harness::Exists(arc));
  // An existing file of that name is left as it is.
  WriteFile(arc, "keep");
  EXPECT_EQ(ZipOneFolder(src, arc, src, u"*.lng", false), ZipResult::NoEntries);
  EXPECT_EQ(harness::ReadFile(arc), "keep");
}

// These read the archives with unzip and zipinfo, set times with touch or
// make FIFOs and links: Linux only.
#ifndef _WIN32
TEST_F(ZipWriterTest, EntryNamesUseBackslashes) {
  const std::string tool = dir.Sub("tool"), free = tool + "/freeform";
  MakeDirs(free + "/skins/dark");
  WriteFile(free + "/top.txt", "t");
  WriteFile(free + "/skins/main.bmp", "BM");
  WriteFile(free + "/skins/dark/Panel.png", "png");
  const std::string arc = dir.Sub("pack.lgp");
  ZipOneFolder(free, arc, tool, u"*.*", true);
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
  ZipOneFolder(src, stored, src, u"*.lng", false);
  ZipOneFolder(src, deflated, src, u"*.lng", true);
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
  ASSERT_TRUE(GetDosFileTime(W(src + "/big.lng"), dos));
  EXPECT_EQ(dos, ((2024u - 1980) << 25 | 3u << 21 | 5u << 16 | 14u << 11 | 17u << 5 | 19u));
  EXPECT_FALSE(GetDosFileTime(W(src + "/none.lng"), dos));
}

TEST_F(ZipWriterTest, EntriesFromMemory) {
  // A walk given a file's bytes zips them instead of what is on disk (and
  // still takes the file's time).
  const std::string src = dir.Sub("src"), arc = dir.Sub("pack.lgp"), expected = dir.Sub("expected.lgp");
  MakeDirs(src);
  WriteFile(src + "/a.lng", "on disk");
  WriteFile(src + "/b.lng", "bbb");
  ASSERT_EQ(Shell("touch -t 202001020304.06 '" + src + "'/*.lng"), 0);
  {
    ZipSession session(W(arc));
    const ZipFileContents contents = {{W(src + "/a.lng"), {'m', 'e', 'm'}}};
    ZipAddFolder(session, W(src), W(src), u"*.lng", true, &contents);
    EXPECT_EQ(session.entryCount, 2);
    EXPECT_EQ(ZipFinish(session), ZipResult::Written);
  }
  EXPECT_EQ(Listing(arc), "defX a.lng\ndefX b.lng\n");
  std::string body;
  Shell("unzip -p '" + arc + "' a.lng", &body);
  EXPECT_EQ(body, "mem");
  std::string info;
  Shell("zipinfo -T -s '" + arc + "'", &info);
  EXPECT_NE(info.find("defX 20200102.030406 a.lng"), std::string::npos) << info;
  // The same files read from disk give the same bytes, apart from a.lng's.
  WriteFile(src + "/a.lng", "mem");
  ASSERT_EQ(Shell("touch -t 202001020304.06 '" + src + "/a.lng'"), 0);
  ZipOneFolder(src, expected, src, u"*.lng", true);
  const std::string made = harness::ReadFile(arc), fromDisk = harness::ReadFile(expected);
  EXPECT_EQ(made.substr(0, fromDisk.find("PK\x01\x02")), fromDisk.substr(0, fromDisk.find("PK\x01\x02")));
  EXPECT_TRUE(ArchiveTestsClean(arc));
}

TEST_F(ZipWriterTest, EntriesDeflatedAheadGiveTheBytesTheWriterMakes) {
  // Empty, text over several of the writer's pieces, and binary data: the
  // archive is the same whether the writer deflates or is handed the data
  // deflated (its text attribute included); a stored walk ignores them.
  const std::string src = dir.Sub("src"), own = dir.Sub("own.zip"), ahead = dir.Sub("ahead.zip");
  MakeDirs(src);
  std::string text, binary;
  for (int i = 0; text.size() < 100000; ++i) text += "line " + std::to_string(i * 7919 % 1000) + " of the hash\n";
  for (int i = 0; i < 70000; ++i) binary.push_back(static_cast<char>((i * 2654435761u) >> 13));
  WriteFile(src + "/a.txt", "");
  WriteFile(src + "/b.txt", text);
  WriteFile(src + "/c.txt", binary);
  ASSERT_EQ(ZipOneFolder(src, own, src, u"*.txt", true), ZipResult::Written);
  ZipDeflatedContents deflated;
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
    const std::string bytes = harness::ReadFile(src + "/" + name);
    bool ok = false;
    deflated[W(src + "/" + name)] =
        DeflateForZip(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), ok);
    EXPECT_TRUE(ok) << name;
  }
  EXPECT_TRUE(deflated[W(src + "/b.txt")].text);
  EXPECT_FALSE(deflated[W(src + "/c.txt")].text);
  // What is on disk now is not what goes in (the file's time still does).
  ASSERT_EQ(Shell("cp -p '" + src + "/b.txt' '" + dir.Sub("time") + "'"), 0);
  WriteFile(src + "/b.txt", "changed");
  ASSERT_EQ(Shell("touch -r '" + dir.Sub("time") + "' '" + src + "/b.txt'"), 0);
  {
    ZipSession session(W(ahead));
    ZipAddFolder(session, W(src), W(src), u"*.txt", true, nullptr, &deflated);
    EXPECT_EQ(ZipFinish(session), ZipResult::Written);
  }
  EXPECT_TRUE(harness::ReadFile(ahead) == harness::ReadFile(own));
  ASSERT_EQ(ZipOneFolder(src, own, src, u"*.txt", false), ZipResult::Written);
  {
    ZipSession session(W(ahead));
    ZipAddFolder(session, W(src), W(src), u"*.txt", false, nullptr, &deflated);
    EXPECT_EQ(ZipFinish(session), ZipResult::Written);
  }
  EXPECT_TRUE(harness::ReadFile(ahead) == harness::ReadFile(own));
}

TEST_F(ZipWriterTest, UnreadableFileLeavesEmptyUncountedEntry) {
  // A FIFO found by the walk, and a link to a file that is gone.
  const std::string src = dir.Sub("src"), arc = dir.Sub("pack.lgp");
  MakeDirs(src);
  WriteFile(src + "/a.lng", "first");
  ASSERT_EQ(Shell("mkfifo '" + src + "/b.lng'"), 0);
  WriteFile(src + "/c.lng", "third");
  ASSERT_EQ(Shell("ln -s '" + src + "/none' '" + src + "/gone.lng'"), 0);
  int entries = 0;
  const std::string out = Captured([&] {
    ZipSession session(W(arc));
    ZipAddFolder(session, W(src), W(src), u"*.lng", false);
    entries = session.entryCount;
    EXPECT_FALSE(ZipComplete(session));
    // Published all the same here, to look at: the commands publish only
    // complete archives.
    EXPECT_EQ(ZipFinish(session), ZipResult::Written);
  });
  EXPECT_EQ(out, "error in opening " + src + "/b.lng for reading\r\nwarning - unable to obtain file time for " + src +
                     "/gone.lng\r\nerror in opening " + src + "/gone.lng for reading\r\n");
  EXPECT_EQ(entries, 2);
  std::string names;
  Shell("zipinfo -1 '" + arc + "'", &names);
  EXPECT_EQ(names, "a.lng\nb.lng\nc.lng\ngone.lng\n");
  std::string sizes;
  Shell("zipinfo -s '" + arc + "' b.lng", &sizes);
  EXPECT_NE(sizes.find(" 0 b"), std::string::npos) << sizes;
  EXPECT_TRUE(ArchiveTestsClean(arc));
}

TEST_F(ZipWriterTest, LinksToFilesAreZippedLinksToFoldersNever) {
  // Links to a folder outside, to a file outside, back up to the walked
  // folder, and to nothing: a link to a file is zipped as the file (as zip
  // takes it), a link to a folder is named and not entered, so the walk
  // ends; a link to nothing is a file that cannot be read.
  const std::string tool = dir.Sub("tool"), free = tool + "/freeform", outside = dir.Sub("outside");
  MakeDirs(free + "/skins");
  MakeDirs(outside);
  WriteFile(free + "/skins/a.bmp", "a");
  WriteFile(outside + "/shared.txt", "kept elsewhere");
  ASSERT_EQ(Shell("cd '" + free + "' && ln -s '" + outside + "' out && ln -s '" + outside +
                  "/shared.txt' shared.txt && ln -s .. skins/up && ln -s nowhere dangling.txt"),
            0);
  const std::string arc = dir.Sub("pack.lgp");
  const std::string out =
      Captured([&] { EXPECT_EQ(ZipOneFolder(free, arc, tool, u"*.*", false), ZipResult::Written); });
  EXPECT_EQ(out, "warning - unable to obtain file time for " + free + "/dangling.txt\r\nerror in opening " + free +
                     "/dangling.txt for reading\r\nskipping " + free + "/out: a link to a folder is not entered\r\n"
                     "skipping " + free + "/skins/up: a link to a folder is not entered\r\n");
  EXPECT_EQ(Listing(arc), "stor freeform\\dangling.txt\nstor freeform\\shared.txt\nstor freeform\\skins\\a.bmp\n");
  std::string body;
  Shell("unzip -p '" + arc + "' 'freeform\\\\shared.txt'", &body);
  EXPECT_EQ(body, "kept elsewhere");
}

TEST_F(ZipWriterTest, TheArchiveIsNeverItsOwnEntry) {
  // An archive written inside the folder it zips: neither its working file
  // nor the older file of its name goes in, whatever name reaches them.
  const std::string src = dir.Sub("src"), arc = src + "/pack.lgp";
  MakeDirs(src);
  WriteFile(src + "/a.txt", "a");
  WriteFile(arc, "the older pack");
  ASSERT_EQ(Shell("ln -s pack.lgp '" + src + "/z.txt'"), 0);
  for (int run = 0; run < 2; ++run) {
    EXPECT_EQ(Captured([&] { EXPECT_EQ(ZipOneFolder(src, arc, src, u"*.*", false), ZipResult::Written); }), "");
    EXPECT_EQ(Listing(arc), "stor a.txt\n");
  }
}

#endif

TEST_F(ZipWriterTest, NamesOutsideWindows1252AreRefused) {
  const std::string src = dir.Sub("src"), arc = dir.Sub("pack.lgp");
  MakeDirs(src);
  WriteFile(src + "/\xE5\x90\x8D.lng", "cjk");          // no Windows-1252 form
  WriteFile(src + "/caf\xC3\xA9.lng", "latin");         // stored as 0xE9
  int entries = 0;
  const std::string out = Captured([&] { ZipOneFolder(src, arc, src, u"*.lng", false, &entries); });
  EXPECT_EQ(out, "error in opening " + src + kSep + "?.lng" + " for reading\r\n");
  EXPECT_EQ(entries, 1);
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
  int entries = 0;
  ZipResult result = ZipResult::Written;
  const std::string out = Captured([&] { result = ZipOneFolder(src, arc, src, u"*.lng", false, &entries); });
  EXPECT_EQ(out, "error opening " + arc + "\r\nerror in opening " + src + kSep + "a.lng" +
                     " in zipfile (-102)\r\nerror in closing " + arc + "\r\n");
  EXPECT_EQ(entries, 0);
  EXPECT_EQ(result, ZipResult::Failed);
  // A file of that name that is no zip is replaced whole, never appended to.
  const std::string junk = dir.Sub("junk.lgp");
  WriteFile(junk, "not a zip");
  const std::string replaced = Captured([&] {
    ZipSession session(W(junk));
    ZipAddFolder(session, W(src), W(src), u"a.lng", false);
    EXPECT_EQ(ZipFinish(session), ZipResult::Written);
  });
  EXPECT_EQ(replaced, "");
  EXPECT_EQ(Listing(junk), "stor a.lng\n");
}

}  // namespace
