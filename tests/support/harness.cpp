#include "support/harness.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "text/text.h"

namespace harness {

namespace {

// A run that takes longer than this is taken for a hang. The build's limit
// stays below ctest's own limit for a test.
int RunTimeLimitSeconds() {
  const char* v = std::getenv("PACKSMITH_RUN_TIMEOUT");
  const int n = v ? std::atoi(v) : 0;
  return n > 0 ? n : PACKSMITH_RUN_LIMIT;
}

std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') out += "'\\''";
    else out.push_back(c);
  }
  return out + "'";
}

// Root writes anywhere unless it gives up the capability to override file
// permissions.
const char kWithoutOverride[] = "setpriv --bounding-set -dac_override,-dac_read_search ";
// A user of its own for a run that root's exemption from limits would spoil.
const char kAsNobody[] = "setpriv --reuid=65534 --regid=65534 --clear-groups ";

const char* WindowsExe() {
  const char* v = std::getenv("PACKSMITH_WINDOWS_EXE");
  return v && *v ? v : nullptr;
}

// An absolute Linux path below one of the root's folders ("/tmp/x").
bool IsRootedTestPath(const std::string& path) {
  if (path.size() < 2 || path[0] != '/') return false;
  const size_t slash = path.find('/', 1);
  struct stat st;
  return slash != std::string::npos && ::stat(path.substr(0, slash).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// An argument as a Windows user gives it: an absolute path ("/tmp/x", or
// the path of a switch such as "/folder=/tmp/x") on drive Z:, the Unix root
// under Wine. Other arguments, the command switches among them, stay.
std::string WindowsArgument(const std::string& arg) {
  if (IsRootedTestPath(arg)) return ShownPath(arg);
  const size_t eq = arg.find('=');
  if (arg.size() > 1 && arg[0] == '/' && eq != std::string::npos && IsRootedTestPath(arg.substr(eq + 1)))
    return arg.substr(0, eq + 1) + ShownPath(arg.substr(eq + 1));
  return arg;
}

}  // namespace

bool DrivesWindowsBuild() { return WindowsExe() != nullptr; }

std::string ShownPath(const std::string& path) {
  if (!DrivesWindowsBuild()) return path;
  std::string out = path.size() && path[0] == '/' ? "Z:" + path : path;
  for (char& c : out)
    if (c == '/') c = '\\';
  return out;
}

Tool::Tool(Build build)
    : windows(build == Build::Windows || (build == Build::UnderTest && DrivesWindowsBuild())) {
  exe = dir.Sub(windows ? "packsmith.exe" : "packsmith");
  if (windows && !WindowsExe()) ADD_FAILURE() << "PACKSMITH_WINDOWS_EXE names no Windows build";
  Shell("cp " + Quote(windows ? WindowsExe() ? WindowsExe() : "" : PACKSMITH_EXE) + " " + Quote(exe));
}

std::string Tool::Run(const std::vector<std::string>& args, const std::string& cwd) const {
  const Result r = RunFull(args, cwd);
  if (r.status != 0) {
    std::string line;
    for (const auto& a : args) line += " " + Quote(a);
    ADD_FAILURE() << "packsmith" << line << (r.status == 124 ? " hung and was ended" : " exited with ")
                  << (r.status == 124 ? "" : std::to_string(r.status)) << "\n"
                  << r.err;
  }
  return r.out;
}

Tool::Result Tool::RunFull(const std::vector<std::string>& args, const std::string& cwd) const {
  return RunLimited(args, Limits(), cwd);
}

Tool::Result Tool::RunLimited(const std::vector<std::string>& args, const Limits& limits,
                              const std::string& cwd) const {
  const char* base = std::getenv("TMPDIR");
  std::string errFile = std::string(base && *base ? base : "/tmp") + "/pserr.XXXXXX";
  const int fd = ::mkstemp(errFile.data());
  if (fd >= 0) ::close(fd);
  // A run that hangs is ended at the time limit (status 124) and fails the
  // test instead of stalling the whole suite.
  std::string command =
      "cd " + Quote(cwd.empty() ? dir.path : cwd) + " && exec timeout -k 5 " + std::to_string(RunTimeLimitSeconds()) + " ";
  if (limits.fileSizeBytes > 0) command += "prlimit --fsize=" + std::to_string(limits.fileSizeBytes) + " ";
  if (limits.addressSpaceBytes > 0) command += "prlimit --as=" + std::to_string(limits.addressSpaceBytes) + " ";
  if (limits.honourPermissions && ::geteuid() == 0) command += kWithoutOverride;
  if (limits.processes > 0) {
    if (::geteuid() == 0) command += kAsNobody;
    // The leak checker of a sanitizer build needs a thread of its own at the
    // end of the run, which the limit would refuse.
    command += "env ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0\" ";
    command += "prlimit --nproc=" + std::to_string(limits.processes) + " ";
  }
  if (windows) command += Quote(std::string(PACKSMITH_SOURCE_DIR) + "/tests/wine/run.sh") + " ";
  command += Quote(exe);
  for (const auto& a : args) command += " " + Quote(windows ? WindowsArgument(a) : a);
  command += " </dev/null 2>" + Quote(errFile);
  Result r;
  r.status = Shell(command, &r.out);
  r.err = ReadFile(errFile);
  // Under load Wine now and then fails to start a process, with status 1
  // and not a byte of output, which the tool never gives: such a run is
  // made once more.
  if (windows && r.status == 1 && r.out.empty() && r.err.empty()) {
    r.status = Shell(command, &r.out);
    r.err = ReadFile(errFile);
  }
  ::unlink(errFile.c_str());
  return r;
}

void OpenToEveryone(const std::string& folder) { Shell("chmod -R a+rwX " + Quote(folder)); }

bool CanHonourPermissions() {
  return ::geteuid() != 0 || Shell(std::string(kWithoutOverride) + "true 2>/dev/null") == 0;
}

std::string RealPath(const std::string& path) {
  char* real = ::realpath(path.c_str(), nullptr);
  if (!real) return path;
  std::string out = real;
  std::free(real);
  return out;
}

int Shell(const std::string& command, std::string* output) {
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return -1;
  std::string out;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  const int status = ::pclose(pipe);
  if (output) *output = out;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

namespace {
const char kHeldTag[] = "user.packsmith.held";
}  // namespace

HeldFiles::HeldFiles(const std::vector<std::string>& held) : paths(held) {
  for (const std::string& path : paths) {
    fds.push_back(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fds.back() < 0) ADD_FAILURE() << "cannot hold " << path;
    bytes.push_back(ReadFile(path));
    ::setxattr(path.c_str(), kHeldTag, "1", 1, 0);
  }
}

HeldFiles::~HeldFiles() {
  for (const int fd : fds)
    if (fd >= 0) ::close(fd);
}

std::vector<std::string> HeldFiles::Changed() const {
  std::vector<std::string> changed;
  for (size_t i = 0; i < paths.size(); ++i) {
    std::string now;
    char buf[65536];
    for (ssize_t n; (n = ::pread(fds[i], buf, sizeof buf, static_cast<off_t>(now.size()))) > 0;) now.append(buf, n);
    if (now != bytes[i]) changed.push_back(paths[i] + " (held)");
    struct stat held, named;
    if (::fstat(fds[i], &held) == 0 && ::stat(paths[i].c_str(), &named) == 0 && held.st_ino != named.st_ino &&
        ::getxattr(paths[i].c_str(), kHeldTag, nullptr, 0) >= 0)
      changed.push_back(paths[i] + " (tagged)");
  }
  return changed;
}

bool HaveWindres() { return Shell("command -v i686-w64-mingw32-windres >/dev/null 2>&1") == 0; }

// Sources are UTF-8 (code page 65001) for both compilers.
bool BuildResourceDll(const std::string& rcSource, const std::string& outDll, Compiler compiler) {
  TempDir work;
  const std::string rc = work.Sub("x.rc"), res = work.Sub("x.res");
  WriteFile(rc, rcSource);
  std::string log;
  std::string compile;
  if (compiler == Compiler::Windres)
    // windres preprocesses through the cross compiler's cpp; where that is
    // not installed, the host's cpp serves.
    compile = "i686-w64-mingw32-windres " +
              std::string(Shell("command -v i686-w64-mingw32-gcc >/dev/null 2>&1") == 0 ? "" : "--preprocessor=cpp ") +
              "-c 65001 " + Quote(rc) + " -O res -o " + Quote(res) + " 2>&1";
  else
    compile = "llvm-rc /nologo /c 65001 /fo " + Quote(res) + " -- " + Quote(rc) + " 2>&1";
  if (Shell(compile, &log) != 0) {
    ADD_FAILURE() << "resource compiler failed: " << log;
    return false;
  }
  if (Shell("lld-link /nologo /dll /noentry /machine:x86 " + Quote(res) + " /out:" + Quote(outDll) + " 2>&1",
            &log) != 0) {
    ADD_FAILURE() << "lld-link failed: " << log;
    return false;
  }
  return true;
}

}  // namespace harness
