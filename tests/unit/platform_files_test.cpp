// The file layer's Windows semantics: listing order and wildcards, the
// read-only attribute, error numbers, the process environment. The cases
// that need POSIX itself (FIFOs, links, fork, resource limits, permission
// bits, a case-sensitive disk) are built for POSIX only;
// platform_win32_test.cpp has the Windows counterparts.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <functional>
#include <regex>
#include <thread>

#include "os/files.h"
#include "os/process.h"
#include "support/harness.h"

namespace {

WString W(const std::string& s) { return Utf8ToWide(s); }

std::vector<std::string> Names(const std::vector<DirEntry>& entries) {
  std::vector<std::string> out;
  for (const auto& e : entries) out.push_back(WideToUtf8(e.name) + (e.isDirectory ? "/" : ""));
  return out;
}

using harness::EnvOverride;

// A missing folder on the way: POSIX's ENOENT says 2 where Windows names
// the path (3).
#ifdef _WIN32
constexpr int kMissingParent = kErrorPathNotFound;
#else
constexpr int kMissingParent = kErrorFileNotFound;
#endif

}  // namespace

#ifndef _WIN32  // names that differ only in case are one file on Windows
TEST(PlatformFiles, ListingIsSortedCaseInsensitivelyWhateverTheDisk) {
  harness::TempDir dir;
  for (const char* n : {"b.txt", "a.lng", "A.LNG", "_u.lng", "Z.lng", "c.LNG", "x.lngx", "noext", "\xc3\xa9.lng"})
    harness::WriteFile(dir.Sub(n), "x");
  harness::MakeDirs(dir.Sub("Sub.lng"));
  const WString folder = W(dir.path);
  // Upper-cased code units: '_' (0x5F) after the letters, 'é' (0xC9) last;
  // equal names under folding keep their raw order.
  EXPECT_EQ(Names(ListDirectory(folder, u"*.*")),
            (std::vector<std::string>{"A.LNG", "a.lng", "b.txt", "c.LNG", "noext", "Sub.lng/", "x.lngx", "Z.lng",
                                      "_u.lng", "\xc3\xa9.lng"}));
  EXPECT_EQ(Names(ListDirectory(folder, u"*.lng")),
            (std::vector<std::string>{"A.LNG", "a.lng", "c.LNG", "Sub.lng/", "Z.lng", "_u.lng", "\xc3\xa9.lng"}));
  EXPECT_EQ(Names(ListDirectory(folder, u"?.LnG")),
            (std::vector<std::string>{"A.LNG", "a.lng", "c.LNG", "Z.lng", "\xc3\xa9.lng"}));
  EXPECT_TRUE(ListDirectory(folder, u"*.zip").empty());
  EXPECT_EQ(GetLastErrorCode(), 2);
  EXPECT_TRUE(ListDirectory(W(dir.Sub("missing")), u"*.*").empty());
  EXPECT_EQ(GetLastErrorCode(), 3);
}
#endif

TEST(PlatformFiles, WildcardMatching) {
  EXPECT_TRUE(WildcardMatch(u"*.*", u"noext"));
  EXPECT_TRUE(WildcardMatch(u"*", u""));
  EXPECT_TRUE(WildcardMatch(u"*a*b", u"aaab"));
  EXPECT_FALSE(WildcardMatch(u"*a*b", u"aaaba"));
  EXPECT_TRUE(WildcardMatch(u"a*b?.t*", u"AxxBc.TXT"));
  EXPECT_FALSE(WildcardMatch(u"a?", u"a"));
  EXPECT_TRUE(WildcardMatch(u"name.*", u"name"));
  EXPECT_TRUE(WildcardMatch(u"*.lng", u"x.lng.lng"));
  EXPECT_FALSE(WildcardMatch(u"*.lng", u"lng"));
  EXPECT_TRUE(WildcardMatch(u"*.NXS", u"\u00e9.nxs"));
}

TEST(PlatformFiles, ReadOnlyFilesResistDeletionUntilCleared) {
  harness::TempDir dir;
  const WString file = W(dir.Sub("old.lng"));
  harness::WriteFile(dir.Sub("old.lng"), "x");
  ASSERT_TRUE(SetReadOnly(file, true));
  EXPECT_TRUE(IsReadOnly(file));
  // Even as root, where unlink itself would succeed.
  EXPECT_FALSE(DeleteFilePath(file));
  EXPECT_EQ(GetLastErrorCode(), 5);
  EXPECT_TRUE(PathExists(file));
  EXPECT_FALSE(WriteFileBytes(file, std::vector<uint8_t>{1}, false));
  EXPECT_EQ(GetLastErrorCode(), 5);
  EXPECT_FALSE(ReplaceFileContents(file, std::vector<uint8_t>{1}));
  EXPECT_EQ(harness::ReadFile(dir.Sub("old.lng")), "x");
  ASSERT_TRUE(SetReadOnly(file, false));
  EXPECT_FALSE(IsReadOnly(file));
  EXPECT_TRUE(DeleteFilePath(file));
  EXPECT_FALSE(PathExists(file));
  EXPECT_FALSE(DeleteFilePath(file));
  EXPECT_EQ(GetLastErrorCode(), 2);
  EXPECT_FALSE(DeleteFilePath(W(dir.path)));  // a folder is no file
  EXPECT_EQ(GetLastErrorCode(), 5);
}

TEST(PlatformFiles, FoldersAndErrorNumbers) {
  harness::TempDir dir;
  const WString sub = W(dir.Sub("out"));
  EXPECT_TRUE(CreateFolder(sub));
  EXPECT_TRUE(IsDirectory(sub));
  EXPECT_FALSE(CreateFolder(sub));
  EXPECT_EQ(GetLastErrorCode(), 183);
  EXPECT_FALSE(CreateFolder(W(dir.Sub("no/such"))));  // one level only
  EXPECT_EQ(GetLastErrorCode(), kMissingParent);
  harness::WriteFile(dir.Sub("f"), "x");
  EXPECT_FALSE(CreateFolder(W(dir.Sub("f/under"))));
  EXPECT_EQ(GetLastErrorCode(), 3);
  EXPECT_EQ(WinErrorFromErrno(EEXIST), 80);
  EXPECT_EQ(WinErrorFromErrno(EROFS), 5);
  EXPECT_EQ(WinErrorFromErrno(ETXTBSY), 32);
  EXPECT_EQ(WinErrorFromErrno(ENAMETOOLONG), 206);
  // Past the file-size limit or the quota, as on a full disk.
  EXPECT_EQ(WinErrorFromErrno(EFBIG), 112);
  EXPECT_EQ(WinErrorFromErrno(EISDIR), 5);
  EXPECT_EQ(WinErrorFromErrno(EIO), 31);
  std::vector<uint8_t> bytes;
#ifndef _WIN32
  EXPECT_EQ(WinErrorFromErrno(EDQUOT), 112);
  // A FIFO is no file to read: refused at once instead of waiting for a writer.
  ASSERT_EQ(::mkfifo(dir.Sub("fifo").c_str(), 0600), 0);
  EXPECT_FALSE(ReadWholeFile(W(dir.Sub("fifo")), bytes));
#endif
  EXPECT_FALSE(ReadWholeFile(W(dir.path), bytes));
  EXPECT_EQ(GetLastErrorCode(), 5);
}

#ifndef _WIN32  // Plugins and PLUGINS are one folder on Windows
TEST(PlatformFiles, FixedNamesFoundWhateverTheirCase) {
  harness::TempDir dir;
  harness::MakeDirs(dir.Sub("Plugins"));
  harness::MakeDirs(dir.Sub("PLUGINS"));
  EXPECT_EQ(WideToUtf8(FindNameNoCase(W(dir.path), u"plugins")), dir.Sub("PLUGINS"));  // first in listing order
  harness::MakeDirs(dir.Sub("plugins"));
  EXPECT_EQ(WideToUtf8(FindNameNoCase(W(dir.path), u"plugins")), dir.Sub("plugins"));  // exact name first
  EXPECT_EQ(WideToUtf8(FindNameNoCase(W(dir.path), u"system")), dir.Sub("system"));
}

#endif

TEST(PlatformFiles, ProcessEnvironment) {
  WString path;
#ifndef _WIN32  // the POSIX stand-ins for the temporary and special folders
  {
    EnvOverride t("TMPDIR", "/var/tmp");
    EXPECT_EQ(TempFolder(), u"/var/tmp/");
  }
  {
    EnvOverride t("TMPDIR", nullptr);
    EXPECT_EQ(TempFolder(), u"/tmp/");
  }
  EnvOverride home("HOME", "/home/t");
  EnvOverride config("XDG_CONFIG_HOME", nullptr);
  EnvOverride data("XDG_DATA_HOME", "/d");
  ASSERT_TRUE(SpecialFolderPath(26, path));
  EXPECT_EQ(path, u"/home/t/.config");
  ASSERT_TRUE(SpecialFolderPath(28, path));
  EXPECT_EQ(path, u"/d");
  const std::pair<int, const char16_t*> mapped[] = {
      {0, u"/home/t/Desktop"}, {16, u"/home/t/Desktop"}, {5, u"/home/t/Documents"}, {35, u"/var/lib"}, {40, u"/home/t"}};
  for (const auto& [csidl, expected] : mapped) {
    ASSERT_TRUE(SpecialFolderPath(csidl, path)) << csidl;
    EXPECT_EQ(path, expected) << csidl;
  }
  EXPECT_FALSE(SpecialFolderPath(36, path));
  EXPECT_FALSE(SpecialFolderPath(46, path));
#endif
  EXPECT_FALSE(GetEnvVar(u"", path));
  {
    EnvOverride v("Ps_Mixed_Case", "m");
    ASSERT_TRUE(GetEnvVar(u"PS_MIXED_CASE", path));  // found whatever its case
    EXPECT_EQ(path, u"m");
    EXPECT_FALSE(GetEnvVar(u"PS_MIXED", path));
  }
  const std::regex uuid("[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}");
  const std::string a = WideToUtf8(NewUuidString()), b = WideToUtf8(NewUuidString());
  EXPECT_TRUE(std::regex_match(a, uuid)) << a;
  EXPECT_NE(a, b);
}

TEST(PlatformFiles, WholeFileWritesAndAtomicReplace) {
  harness::TempDir dir;
  const WString file = W(dir.Sub("f.bin"));
  ASSERT_TRUE(WriteFileBytes(file, std::vector<uint8_t>{'l', 'o', 'n', 'g', 'e', 'r'}, false));
  ASSERT_TRUE(WriteFileBytes(file, std::vector<uint8_t>{'a', 'b'}, false));
  EXPECT_EQ(harness::ReadFile(dir.Sub("f.bin")), "ab");
  ASSERT_TRUE(WriteFileBytes(file, std::vector<uint8_t>{'c'}, true));
  EXPECT_EQ(harness::ReadFile(dir.Sub("f.bin")), "abc");
#ifndef _WIN32  // the replacement keeps the old file's permissions
  ::chmod(dir.Sub("f.bin").c_str(), 0640);
#endif
  ASSERT_TRUE(ReplaceFileContents(file, std::vector<uint8_t>{'n', 'e', 'w'}));
  EXPECT_EQ(harness::ReadFile(dir.Sub("f.bin")), "new");
#ifndef _WIN32
  struct stat st;
  ASSERT_EQ(::stat(dir.Sub("f.bin").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
#endif
  EXPECT_EQ(Names(ListDirectory(W(dir.path), u"*")), std::vector<std::string>{"f.bin"});  // no temporary left
  EXPECT_FALSE(WriteFileBytes(W(dir.Sub("no/f")), std::vector<uint8_t>{1}, false));
  EXPECT_EQ(GetLastErrorCode(), kMissingParent);
}

#ifndef _WIN32  // symbolic links

// Every writer, at a name where a link stands (to a file outside, or
// dangling): the link is replaced by the new file, nothing outside changes.
TEST(PlatformFiles, WritersReplaceLinksAndNeverFollowThem) {
  using Writer = std::function<bool(const WString& target, const WString& source)>;
  const std::vector<std::pair<std::string, Writer>> writers = {
      {"write", [](const WString& t, const WString&) { return WriteFileBytes(t, std::vector<uint8_t>{'n'}, false); }},
      {"append", [](const WString& t, const WString&) { return WriteFileBytes(t, std::vector<uint8_t>{'n'}, true); }},
      {"replace", [](const WString& t, const WString&) { return ReplaceFileContents(t, std::vector<uint8_t>{'n'}); }},
      {"move", [](const WString& t, const WString& s) { return MoveFileReplacing(s, t, true); }},
  };
  for (const auto& [what, write] : writers) {
    for (const bool dangling : {false, true}) {
      harness::TempDir dir, outside;
      harness::WriteFile(dir.Sub("src"), "n");
      if (!dangling) harness::WriteFile(outside.Sub("victim"), "keep");
      ASSERT_EQ(::symlink(outside.Sub("victim").c_str(), dir.Sub("out").c_str()), 0);
      EXPECT_TRUE(write(W(dir.Sub("out")), W(dir.Sub("src")))) << what;
      struct stat st;
      ASSERT_EQ(::lstat(dir.Sub("out").c_str(), &st), 0);
      EXPECT_TRUE(S_ISREG(st.st_mode)) << what;
      EXPECT_EQ(harness::ReadFile(dir.Sub("out")), "n") << what;
      EXPECT_EQ(Names(ListDirectory(W(outside.path), u"*")),
                dangling ? std::vector<std::string>{} : std::vector<std::string>{"victim"}) << what;
      if (!dangling) {
        EXPECT_EQ(harness::ReadFile(outside.Sub("victim")), "keep") << what;
      }
    }
  }
}

#endif

TEST(PlatformFiles, RefusedNamesAndReadErrors) {
  harness::TempDir dir;
  harness::WriteFile(dir.Sub("src"), "data");
  const std::vector<uint8_t> one{1};
  // Names Windows refuses, as unexpanded folder placeholders give them.
  for (const std::string name : {"<invalid>", "<error>/x.ini", "a>b"}) {
    const WString path = W(dir.Sub(name));
    EXPECT_FALSE(CreateFolder(path)) << name;
    EXPECT_EQ(GetLastErrorCode(), kErrorInvalidName);
    EXPECT_FALSE(WriteFileBytes(path, one, false)) << name;
    EXPECT_EQ(GetLastErrorCode(), kErrorInvalidName);
    EXPECT_FALSE(ReplaceFileContents(path, one)) << name;
    EXPECT_TRUE(CreateUniqueFile(path).empty()) << name;
  }
#ifndef _WIN32
  ASSERT_EQ(::mkfifo(dir.Sub("fifo").c_str(), 0600), 0);
#endif
  // What a read says when it cannot be done.
  struct Case {
    std::string path;
    int error;
  };
  const Case unreadable[] = {
      {"missing", kErrorFileNotFound},
#ifndef _WIN32
      {"fifo", kErrorAccessDenied},  // never waits for a writer
#endif
      {".", kErrorAccessDenied},
  };
  std::vector<uint8_t> read;
  for (const Case& c : unreadable) {
    EXPECT_FALSE(ReadWholeFile(W(dir.Sub(c.path)), read)) << c.path;
    EXPECT_EQ(GetLastErrorCode(), c.error) << c.path;
  }
#ifndef _WIN32
  EXPECT_EQ(Names(ListDirectory(W(dir.path), u"*")), (std::vector<std::string>{"fifo", "src"}));
#endif
  // A read-only file cannot be opened for writing, even by root.
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(SetReadOnly(W(dir.Sub("src")), true));
  EXPECT_TRUE(ReadWholeFile(W(dir.Sub("src")), bytes));
  EXPECT_FALSE(ReadWholeFile(W(dir.Sub("src")), bytes, true));
  EXPECT_EQ(GetLastErrorCode(), kErrorAccessDenied);
#ifndef _WIN32
  EXPECT_FALSE(ReadWholeFile(W(dir.Sub("fifo")), bytes, true));
#endif
  ASSERT_TRUE(SetReadOnly(W(dir.Sub("src")), false));
  EXPECT_TRUE(ReadWholeFile(W(dir.Sub("src")), bytes, true));
}

#ifndef _WIN32  // a resource limit on the file size
TEST(PlatformFiles, WritesPastTheFileSizeLimitLeaveFilesAsTheyWere) {
  harness::TempDir dir;
  PrepareProcess();  // the limit then fails the write instead of ending the test
  const WString file = W(dir.Sub("f.bin")), fresh = W(dir.Sub("new.bin"));
  ASSERT_TRUE(WriteFileBytes(file, std::vector<uint8_t>{'a', 'b', 'c'}, false));
  const std::vector<uint8_t> big(64 * 1024, 'x');

  struct rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct rlimit limited = saved;
  limited.rlim_cur = 16 * 1024;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
  const bool appended = WriteFileBytes(file, big, true);
  const int appendError = GetLastErrorCode();
  const bool overwritten = WriteFileBytes(file, big, false);
  const bool replaced = ReplaceFileContents(file, big);
  const bool created = WriteFileBytes(fresh, big, false);
  const int createError = GetLastErrorCode();
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &saved), 0);

  EXPECT_FALSE(appended);
  EXPECT_EQ(appendError, 112);
  EXPECT_FALSE(overwritten);
  EXPECT_FALSE(replaced);
  EXPECT_FALSE(created);
  EXPECT_EQ(createError, 112);
  EXPECT_EQ(harness::ReadFile(dir.Sub("f.bin")), "abc");
  EXPECT_EQ(Names(ListDirectory(W(dir.path), u"*")), std::vector<std::string>{"f.bin"});
}

#endif

TEST(PlatformFiles, MoveReplacesAWritableFileOnly) {
  harness::TempDir dir;
  harness::WriteFile(dir.Sub("a.part"), "whole");
  harness::WriteFile(dir.Sub("a.lgp"), "old");
  ASSERT_TRUE(MoveFileReplacing(W(dir.Sub("a.part")), W(dir.Sub("a.lgp"))));
  EXPECT_EQ(harness::ReadFile(dir.Sub("a.lgp")), "whole");
  EXPECT_FALSE(PathExists(W(dir.Sub("a.part"))));

  harness::WriteFile(dir.Sub("b.part"), "new");
  ASSERT_TRUE(SetReadOnly(W(dir.Sub("a.lgp")), true));
  EXPECT_FALSE(MoveFileReplacing(W(dir.Sub("b.part")), W(dir.Sub("a.lgp"))));
  EXPECT_EQ(GetLastErrorCode(), 5);
  harness::MakeDirs(dir.Sub("c.lgp"));
  EXPECT_FALSE(MoveFileReplacing(W(dir.Sub("b.part")), W(dir.Sub("c.lgp"))));
  EXPECT_EQ(GetLastErrorCode(), 5);
  EXPECT_EQ(harness::ReadFile(dir.Sub("a.lgp")), "whole");
  EXPECT_EQ(harness::ReadFile(dir.Sub("b.part")), "new");
}

#ifndef _WIN32  // symbolic links
TEST(PlatformFiles, LinksAreListedAsLinksNeverFollowed) {
  harness::TempDir dir;
  harness::MakeDirs(dir.Sub("real"));
  harness::WriteFile(dir.Sub("file"), "x");
  ASSERT_EQ(::symlink("real", dir.Sub("to_folder").c_str()), 0);
  ASSERT_EQ(::symlink("file", dir.Sub("to_file").c_str()), 0);
  ASSERT_EQ(::symlink("nowhere", dir.Sub("dangling").c_str()), 0);
  std::vector<std::string> seen;
  for (const auto& e : ListDirectory(W(dir.path), u"*"))
    seen.push_back(WideToUtf8(e.name) + (e.isDirectory ? "/" : "") + (e.isLink ? "@" : "") +
                   (e.linksToFolder ? "/" : ""));
  EXPECT_EQ(seen, (std::vector<std::string>{"dangling@", "file", "real/", "to_file@", "to_folder@/"}));
  // One file by any name that leads to it; nothing is the same as a name
  // that leads nowhere.
  EXPECT_TRUE(SameFile(W(dir.Sub("to_file")), W(dir.Sub("real/../file"))));
  EXPECT_FALSE(SameFile(W(dir.Sub("file")), W(dir.Sub("real"))));
  EXPECT_FALSE(SameFile(W(dir.Sub("dangling")), W(dir.Sub("dangling"))));
}

#endif

TEST(PlatformFiles, LastErrorIsKeptPerThread) {
  SetLastErrorCode(kErrorDiskFull);
  int seenThere = -1;
  std::thread([&] {
    seenThere = GetLastErrorCode();
    SetLastErrorCode(kErrorAccessDenied);
  }).join();
  EXPECT_EQ(seenThere, 0);
  EXPECT_EQ(GetLastErrorCode(), kErrorDiskFull);
}

#ifndef _WIN32  // links, process ids and fork
TEST(PlatformFiles, UniqueFilesIgnoreLeftoversOfEarlierRuns) {
  harness::TempDir dir;
  // What earlier runs may have left: the old pid-named scheme and a link.
  harness::WriteFile(dir.Sub("x.lgp.psnew" + std::to_string(::getpid())), "old");
  ASSERT_EQ(::symlink("/nonexistent", dir.Sub("x.lgp.0000000000000000.tmp").c_str()), 0);
  const WString a = CreateUniqueFile(W(dir.Sub("x.lgp"))), b = CreateUniqueFile(W(dir.Sub("x.lgp")));
  ASSERT_FALSE(a.empty());
  ASSERT_FALSE(b.empty());
  EXPECT_NE(a, b);
  for (const WString& made : {a, b}) {
    const std::string name = WideToUtf8(made);
    EXPECT_TRUE(std::regex_match(name, std::regex(dir.path + "/x\\.lgp\\.[0-9a-f]{16}\\.tmp"))) << name;
    struct stat st;
    ASSERT_EQ(::lstat(name.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_size, 0);
  }
  // A name at the longest a folder holds still leaves room for the suffix.
  EXPECT_FALSE(CreateUniqueFile(W(dir.Sub(std::string(255, 'n')))).empty());
  EXPECT_TRUE(CreateUniqueFile(W(dir.Sub("missing/x.lgp"))).empty());
  EXPECT_EQ(GetLastErrorCode(), kErrorPathNotFound);
}

TEST(PlatformFiles, FolderLockExcludesOtherRunsUntilReleased) {
  harness::TempDir dir;
  const WString folder = W(dir.path);
  FolderLockPtr held = LockFolder(folder, 0);
  ASSERT_TRUE(held);
  // Another process: refused at once, then waits until this one lets go.
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    held.reset();  // the copy of the descriptor that fork gave; the parent's still holds
    const bool refused = !LockFolder(folder, 0) && GetLastErrorCode() == kErrorSharingViolation;
    char c = 1;
    if (::write(ready[1], &c, 1) != 1) ::_exit(3);
    const bool waited = static_cast<bool>(LockFolder(folder, 10000));
    ::_exit(refused ? (waited ? 0 : 2) : 1);
  }
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  EXPECT_FALSE(LockFolder(folder, 50));  // a second holder in this process too
  EXPECT_EQ(GetLastErrorCode(), kErrorSharingViolation);
  held.reset();
  int status = -1;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_TRUE(LockFolder(folder, 0));
  EXPECT_TRUE(ListDirectory(folder, u"*").empty());  // nothing left in the folder
  EXPECT_FALSE(LockFolder(W(dir.Sub("missing")), 0));
  EXPECT_EQ(GetLastErrorCode(), kErrorFileNotFound);
}
#endif
