// The platform layer's Windows side: path roots and separators, listings
// against 8.3 names, replacements that fail or meet a read-only file, the
// folder lock, binary standard output and the command line. Built on
// Windows only.
#ifdef _WIN32
#include <gtest/gtest.h>

#include <fcntl.h>
#include <io.h>

#include <chrono>
#include <regex>
#include <thread>

#include "driver/tokenizer.h"
#include "os/command_line.h"
#include "os/console.h"
#include "os/files.h"
#include "os/native_path.h"
#include "os/paths.h"
#include "os/win32.h"
#include "support/harness.h"

namespace {

WString W(const std::string& s) { return Utf8ToWide(s); }

// A file or folder in a fresh temporary folder, by its platform path.
struct Folder {
  harness::TempDir dir;
  WString Path(WStringView name = u"") const { return name.empty() ? W(dir.path) : JoinPath(W(dir.path), name); }
  void Write(WStringView name, const std::string& bytes) const {
    ASSERT_TRUE(WriteFileBytes(Path(name), std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), false));
  }
  std::string Read(WStringView name) const {
    std::vector<uint8_t> bytes;
    return ReadWholeFile(Path(name), bytes) ? std::string(bytes.begin(), bytes.end()) : "<unreadable>";
  }
  std::vector<std::string> List(WStringView pattern = u"*") const {
    std::vector<std::string> out;
    for (const DirEntry& e : ListDirectory(Path(), pattern)) out.push_back(WideToUtf8(e.name) + (e.isDirectory ? "\\" : ""));
    return out;
  }
};

}  // namespace

TEST(PlatformWin32, PathRootsAndSeparators) {
  struct Combine {
    const char16_t *base, *path, *expected;
  };
  const Combine combined[] = {
      {u"C:\\base\\a", u"b/./c/../d", u"C:\\base\\a\\b\\d"},      // both separators, made '\'
      {u"C:\\base\\a", u"..\\..\\..\\x", u"C:\\x"},              // never above the drive root
      {u"C:\\base\\a", u"\\x\\y", u"C:\\x\\y"},                  // rooted: the base's drive
      {u"C:\\base\\a", u"c:x", u"C:\\base\\a\\x"},               // drive-relative on the base's drive
      {u"C:\\base\\a", u"D:x", u"D:x"},                          // another drive: kept as PathCombineW keeps it
      {u"C:\\base\\a", u"D:/x/../y", u"D:\\y"},
      {u"\\\\srv\\share\\a", u"\\x", u"\\\\srv\\share\\x"},
      {u"\\\\srv\\share\\a", u"..\\..\\x", u"\\\\srv\\share\\x"},  // the share is a root
      {u"C:\\", u"..", u"C:\\"},
      {u"C:/w/", u"x/", u"C:\\w\\x"},
      {u"C:\\w", u"", u"C:\\w"},
      {u"C:\\w", u"\\\\?\\C:\\a\\..\\b", u"\\\\?\\C:\\b"},
      {u"C:\\w", u"\\\\?\\UNC\\srv\\sh\\..\\..\\b", u"\\\\?\\UNC\\srv\\sh\\b"},
  };
  for (const Combine& c : combined)
    EXPECT_EQ(WideToUtf8(CombinePath(c.base, c.path)), WideToUtf8(c.expected)) << WideToUtf8(c.path);

  struct Parts {
    const char16_t *path, *parent, *last, *extension;
  };
  const Parts parts[] = {
      {u"C:\\x.dll", u"C:\\", u"x.dll", u".dll"},  // a drive root is kept whole, never "C:"
      {u"C:\\", u"C:\\", u"", u""},
      {u"C:\\a.d/b", u"C:\\a.d", u"b", u""},
      {u"C:\\a\\b.tar.gz", u"C:\\a", u"b.tar.gz", u".gz"},
      {u"C:x.lng", u"C:", u"x.lng", u".lng"},
      {u"\\\\srv\\share\\x", u"\\\\srv\\share", u"x", u""},
      {u"\\\\srv\\share", u"\\\\srv\\share", u"", u""},
      {u"\\\\?\\C:\\x", u"\\\\?\\C:\\", u"x", u""},
      {u"name", u"", u"name", u""},
  };
  for (const Parts& p : parts) {
    EXPECT_EQ(WideToUtf8(ParentFolder(p.path)), WideToUtf8(p.parent)) << WideToUtf8(p.path);
    EXPECT_EQ(WideToUtf8(LastComponent(p.path)), WideToUtf8(p.last)) << WideToUtf8(p.path);
    EXPECT_EQ(WideToUtf8(FindExtension(p.path)), WideToUtf8(p.extension)) << WideToUtf8(p.path);
  }
  for (const char16_t* absolute : {u"C:\\x", u"c:/x", u"C:\\", u"\\\\srv\\share", u"\\\\?\\C:\\x", u"\\\\?\\UNC\\s\\h"})
    EXPECT_TRUE(IsAbsolutePath(absolute)) << WideToUtf8(absolute);
  for (const char16_t* relative : {u"C:x", u"C:", u"\\x", u"/x", u"x\\y", u""})
    EXPECT_FALSE(IsAbsolutePath(relative)) << WideToUtf8(relative);
  EXPECT_EQ(JoinPath(u"C:\\", u"b"), u"C:\\b");
  EXPECT_EQ(JoinPath(u"C:/a/", u"b"), u"C:/a/b");
  EXPECT_EQ(WithNativeSeparators(u"C:/a/b"), u"C:\\a\\b");

  struct Relative {
    const char16_t *from, *to, *expected;  // null: no relative path
  };
  const Relative relatives[] = {
      {u"C:\\i\\Plugins", u"c:/I/plugins/a.dll", u".\\a.dll"},  // names compare case-insensitively
      {u"C:\\i\\plugins", u"C:\\i\\system\\b.nxs", u"..\\system\\b.nxs"},
      {u"\\\\srv\\share\\i", u"\\\\SRV\\Share\\i\\x", u".\\x"},
      {u"C:\\i", u"D:\\i\\a", nullptr},  // another root
      {u"C:i", u"C:\\i\\a", nullptr},
  };
  for (const Relative& r : relatives) {
    WString out;
    EXPECT_EQ(RelativePath(r.from, r.to, out), r.expected != nullptr) << WideToUtf8(r.to);
    if (r.expected) {
      EXPECT_EQ(WideToUtf8(out), WideToUtf8(r.expected));
    }
  }
  // Extraction: 255 units a component, MAX_PATH the whole.
  EXPECT_TRUE(FitsPathLimits(u"C:\\t", WString(200, u'n') + u"\\" + WString(40, u'n')));
  EXPECT_FALSE(FitsPathLimits(u"C:\\t", WString(256, u'n')));
  EXPECT_FALSE(FitsPathLimits(u"C:\\t", WString(200, u'n') + u"/" + WString(60, u'n')));
}

TEST(PlatformWin32, ListingMatchesLongNamesOnly) {
  Folder f;
  // "x.lngx" has an 8.3 name ending in ".LNG" where short names are made;
  // the system's own matching would list it for "*.lng".
  for (const char16_t* name : {u"x.lngx", u"b.LNG", u"a.lng", u"_u.lng", u"\u00e9.lng", u"noext", u"verylongname.lng"})
    f.Write(name, "x");
  ASSERT_TRUE(CreateFolder(f.Path(u"Sub.lng")));
  EXPECT_EQ(f.List(u"*.lng"),
            (std::vector<std::string>{"a.lng", "b.LNG", "Sub.lng\\", "verylongname.lng", "_u.lng", "\xc3\xa9.lng"}));
  EXPECT_EQ(f.List(u"*.*").size(), 8u);
  EXPECT_EQ(f.List(u"VERYLO~1.LNG"), std::vector<std::string>{});
  EXPECT_EQ(GetLastErrorCode(), kErrorFileNotFound);
  EXPECT_TRUE(ListDirectory(f.Path(u"missing"), u"*").empty());
  EXPECT_EQ(GetLastErrorCode(), kErrorPathNotFound);
  EXPECT_TRUE(ListDirectory(f.Path(u"noext"), u"*").empty());  // a file is no folder
  EXPECT_EQ(GetLastErrorCode(), kErrorPathNotFound);
  // Found whatever its case, on a disk that ignores case.
  EXPECT_EQ(FindNameNoCase(f.Path(), u"SUB.LNG"), f.Path(u"SUB.LNG"));
  EXPECT_TRUE(IsDirectory(FindNameNoCase(f.Path(), u"SUB.LNG")));
}

TEST(PlatformWin32, WritesNeverLeaveAHalfFile) {
  Folder f;
  f.Write(u"f.bin", "old");
  const std::vector<uint8_t> fresh{'n', 'e', 'w'};
  // The rename over a file that another program holds open without
  // delete sharing fails: the old file stays whole, no working file left.
  {
    ScopedHandle held(::CreateFileW(WinStr(f.Path(u"f.bin")), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.Valid());
    EXPECT_FALSE(ReplaceFileContents(f.Path(u"f.bin"), fresh));
    EXPECT_NE(GetLastErrorCode(), 0);
    EXPECT_FALSE(WriteFileBytes(f.Path(u"f.bin"), fresh, true));  // no append through a handle that shares no writing
  }
  EXPECT_EQ(f.Read(u"f.bin"), "old");
  EXPECT_EQ(f.List(), std::vector<std::string>{"f.bin"});
  ASSERT_TRUE(ReplaceFileContents(f.Path(u"f.bin"), fresh));
  EXPECT_EQ(f.Read(u"f.bin"), "new");
  // Read-only: every writer fails with 5 and the file stays.
  ASSERT_TRUE(SetReadOnly(f.Path(u"f.bin"), true));
  f.Write(u"src", "src");
  EXPECT_FALSE(WriteFileBytes(f.Path(u"f.bin"), fresh, true));
  EXPECT_EQ(GetLastErrorCode(), kErrorAccessDenied);
  EXPECT_FALSE(ReplaceFileContents(f.Path(u"f.bin"), fresh, false));
  EXPECT_EQ(GetLastErrorCode(), kErrorAccessDenied);
  EXPECT_FALSE(MoveFileReplacing(f.Path(u"src"), f.Path(u"f.bin"), true));
  EXPECT_EQ(GetLastErrorCode(), kErrorAccessDenied);
  EXPECT_EQ(f.Read(u"f.bin"), "new");
  ASSERT_TRUE(SetReadOnly(f.Path(u"f.bin"), false));
  ASSERT_TRUE(MoveFileReplacing(f.Path(u"src"), f.Path(u"f.bin")));
  EXPECT_EQ(f.Read(u"f.bin"), "src");
  // A device is no file: refused at once, never read.
  std::vector<uint8_t> bytes;
  EXPECT_FALSE(ReadWholeFile(u"NUL", bytes));
  EXPECT_EQ(GetLastErrorCode(), kErrorAccessDenied);
  EXPECT_FALSE(IsRegularFile(u"\\\\.\\NUL"));
  EXPECT_EQ(f.List(), (std::vector<std::string>{"f.bin"}));
}

TEST(PlatformWin32, NewFilesAreCreatedExclusively) {
  Folder f;
  const WString a = CreateUniqueFile(f.Path(u"x.lgp")), b = CreateUniqueFile(f.Path(u"x.lgp"));
  ASSERT_FALSE(a.empty());
  EXPECT_NE(a, b);
  EXPECT_TRUE(std::regex_match(WideToUtf8(LastComponent(a)), std::regex("x\\.lgp\\.[0-9a-f]{16}\\.tmp")));
  EXPECT_TRUE(IsRegularFile(a));
  // A name at the longest a folder holds still leaves room for the suffix.
  EXPECT_FALSE(CreateUniqueFile(f.Path(WString(255, u'n'))).empty());
  EXPECT_TRUE(CreateUniqueFile(f.Path(u"missing\\x.lgp")).empty());
  EXPECT_EQ(GetLastErrorCode(), kErrorPathNotFound);
  EXPECT_TRUE(CreateUniqueFile(f.Path(u"<invalid>\\x")).empty());
  EXPECT_EQ(GetLastErrorCode(), kErrorInvalidName);
  // A folder stands at the name: refused, as CreateFileW refuses it.
  ASSERT_TRUE(CreateFolder(f.Path(u"d")));
  EXPECT_FALSE(CreateFolder(f.Path(u"d")));
  EXPECT_EQ(GetLastErrorCode(), kErrorAlreadyExists);
  EXPECT_FALSE(WriteFileBytes(f.Path(u"d"), std::vector<uint8_t>{1}, false));
  EXPECT_EQ(GetLastErrorCode(), kErrorAccessDenied);
  // File times round-trip through the DOS form (two-second steps).
  const uint32_t stamp = (((2021 - 1980) << 9 | 6 << 5 | 15) << 16) | (13 << 11 | 45 << 5 | 15);
  ASSERT_TRUE(SetFileDosDateTime(a, stamp));
  uint32_t read = 0;
  ASSERT_TRUE(FileDosDateTime(a, read));
  EXPECT_EQ(read, stamp);
  EXPECT_FALSE(FileDosDateTime(f.Path(u"missing"), read));
  EXPECT_TRUE(DeleteTree(f.Path()));
  EXPECT_FALSE(PathExists(f.Path()));
}

TEST(PlatformWin32, FolderLockIsExclusiveUntilReleased) {
  Folder f;
  FolderLockPtr held = LockFolder(f.Path(), 0);
  ASSERT_TRUE(held);
  bool refused = false, waited = false;
  std::thread other([&] {
    // Another name of the same folder meets the same lock.
    refused = !LockFolder(NameToUpper(f.Path()) + u"\\.", 0) && GetLastErrorCode() == kErrorSharingViolation;
    waited = static_cast<bool>(LockFolder(f.Path(), 10000));
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  held.reset();
  other.join();
  EXPECT_TRUE(refused);
  EXPECT_TRUE(waited);
  EXPECT_TRUE(f.List().empty());  // nothing created in the folder
  EXPECT_FALSE(LockFolder(f.Path(u"missing"), 0));
  EXPECT_EQ(GetLastErrorCode(), kErrorFileNotFound);
}

TEST(PlatformWin32, StandardOutputIsBinaryUtf8) {
  Folder f;
  // Standard output made a file opened in text mode: what is written still
  // arrives byte for byte.
  ConsoleFlush();
  const int saved = _dup(1);
  const int file = _wopen(WinStr(f.Path(u"out.txt")), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_TEXT, 0666);
  ASSERT_GE(file, 0);
  ASSERT_EQ(_dup2(file, 1), 0);
  ConsoleWrite(u"a\r\nb\u00e9\n");
  ConsoleWriteAnsi("\x80\r\n");
  ConsoleFlush();
  _dup2(saved, 1);
  _close(file);
  _close(saved);
  EXPECT_EQ(f.Read(u"out.txt"), "a\r\nb\xc3\xa9\n\xe2\x82\xac\r\n");
}

TEST(PlatformWin32, ProcessEnvironmentAndCommandLine) {
  // The line as the process got it, program first; the vector split from it.
  const CommandLine command = ProcessCommandLine(0, nullptr);
  ASSERT_FALSE(command.args.empty());
  EXPECT_EQ(CopyToken(SkipSpaces(command.line.c_str())), command.args[0]);
  EXPECT_TRUE(EqualsNoCase(FindExtension(ExecutablePath()), u".exe"));
  EXPECT_TRUE(IsRegularFile(ExecutablePath()));
  const WString temp = TempFolder();
  EXPECT_EQ(temp.back(), u'\\');
  EXPECT_TRUE(IsDirectory(temp));
  WString path;
  ASSERT_TRUE(SpecialFolderPath(26, path));  // CSIDL_APPDATA
  EXPECT_TRUE(IsAbsolutePath(path));
  EXPECT_FALSE(SpecialFolderPath(0x8000 | 26, path));  // no flags through the number
  harness::EnvOverride v("Ps_Mixed_Case", "m");
  ASSERT_TRUE(GetEnvVar(u"PS_MIXED_CASE", path));  // names ignore case
  EXPECT_EQ(path, u"m");
  EXPECT_FALSE(GetEnvVar(u"PS_NOT_SET_ANYWHERE", path));
}

#endif  // _WIN32
