// Test support: runs the built packsmith as a user does (copied into a
// fresh tool folder, run from a chosen working folder) and builds fixture
// modules from .rc sources with the real resource compilers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace harness {

// A fresh folder under the temporary folder, removed with its contents.
struct TempDir {
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string path;
  std::string Sub(const std::string& name) const { return path + "/" + name; }
};

// A tool folder holding a copy of the built executable.
struct Tool {
  // The build a Tool runs: the one under test (the Windows build when
  // PACKSMITH_WINDOWS_EXE is set, else the Linux build), or either one by
  // name, for tests that compare the two.
  enum class Build { UnderTest, Linux, Windows };
  TempDir dir;
  std::string exe;
  bool windows = false;
  explicit Tool(Build build = Build::UnderTest);
  // Runs the tool with `args` from `cwd`; returns its standard output.
  // The tool always exits with 0: any other status (a crash, a sanitizer
  // report, a run that outlasts the time limit) fails the calling test, with
  // the tool's standard error.
  std::string Run(const std::vector<std::string>& args, const std::string& cwd = "") const;
  // The same run, giving standard error and the exit status too, and
  // failing nothing itself.
  struct Result {
    std::string out;
    std::string err;
    int status = -1;
  };
  Result RunFull(const std::vector<std::string>& args, const std::string& cwd = "") const;
  // What a run can be denied, to make its writes fail as they do on a full
  // disk or in a folder the user may not write to.
  struct Limits {
    long fileSizeBytes = 0;           // largest file it may write; 0 for no limit
    bool honourPermissions = false;   // as root too, read-only folders refuse it
    long addressSpaceBytes = 0;       // largest address space it may use; 0 for no limit
    // Most processes and threads its user may have, as on a shared host or
    // in a container; 0 for no limit. Root is never held to it, so a test
    // run as root makes the run as the user nobody, who must be able to
    // reach its folders (OpenToEveryone).
    long processes = 0;
  };
  Result RunLimited(const std::vector<std::string>& args, const Limits& limits, const std::string& cwd = "") const;
};

// Whether the end-to-end tests drive the Windows build: PACKSMITH_WINDOWS_EXE
// names a packsmith.exe, which each Tool copies and runs under Wine
// (tests/wine/run.sh) instead of the Linux build.
bool DrivesWindowsBuild();
// A path as the tool under test prints it: unchanged on Linux; for the
// Windows build under Wine, on drive Z: (the Unix root) with backslashes.
std::string ShownPath(const std::string& path);
// The limits of RunLimited (prlimit, setpriv) are Linux's: a test that needs
// them is skipped, with a message, when it drives the Windows build.
#define SKIP_WITHOUT_LINUX_LIMITS()                                                  \
  do {                                                                               \
    if (harness::DrivesWindowsBuild())                                               \
      GTEST_SKIP() << "needs prlimit/setpriv on the Linux build, not under Wine";   \
  } while (0)

// Whether runs can be made to honour permissions (always, unless root
// cannot give up its override here).
bool CanHonourPermissions();

// Lets every user read and write the folder and everything in it.
void OpenToEveryone(const std::string& folder);

std::string ReadFile(const std::string& path);
std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
bool Exists(const std::string& path);
void MakeDirs(const std::string& path);
// Runs a shell command; returns its exit status and captures its output.
int Shell(const std::string& command, std::string* output = nullptr);

enum class Compiler { LlvmRc, Windres };
// Compiles `rcSource` into a resource-only i386 DLL at `outDll` (llvm-rc or
// windres, then lld-link). Windres is needed for MENUEX. Fails the test
// (and returns false) when a step fails.
bool BuildResourceDll(const std::string& rcSource, const std::string& outDll,
                      Compiler compiler = Compiler::LlvmRc);
bool HaveWindres();

// The real path of a folder (symlinks resolved), as the tool's current
// directory reports it.
std::string RealPath(const std::string& path);

// Sets an environment variable (or unsets it, for null) for one scope and
// puts the old value back afterwards.
struct EnvOverride {
  EnvOverride(const std::string& name, const char* value);
  ~EnvOverride();
  EnvOverride(const EnvOverride&) = delete;
  EnvOverride& operator=(const EnvOverride&) = delete;
  std::string name;
  bool had = false;
  std::string old;
};

// Files held open for reading across a run, as a player, an editor or a
// backup holds them, each tagged with an extended attribute of the test's
// where the file system keeps them.
struct HeldFiles {
  explicit HeldFiles(const std::vector<std::string>& paths);
  ~HeldFiles();
  HeldFiles(const HeldFiles&) = delete;
  HeldFiles& operator=(const HeldFiles&) = delete;
  // The held files whose descriptor no longer reads the bytes it read when
  // opened, and the new files at their names that carry an old one's tag.
  std::vector<std::string> Changed() const;
  std::vector<std::string> paths, bytes;
  std::vector<int> fds;
};

// CR LF helper: "a\nb" -> "a\r\nb".
std::string Crlf(const std::string& text);
// UTF-16LE bytes of an ASCII/UTF-8 text.
std::string Utf16le(const std::string& utf8);

}  // namespace harness
