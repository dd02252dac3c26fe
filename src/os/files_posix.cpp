// POSIX implementation of the file layer (files.h).
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/types.h>
#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "os/files_shared.h"
#include "os/paths.h"

namespace {

std::string Native(const WString& path) { return WideToNative(path); }

bool Fail(int err, FailedCall call = FailedCall::OpenFile) {
  SetLastErrorCode(WinErrorFromErrno(err, call));
  return false;
}

// Windows refuses to write into a folder or a read-only file (error 5).
bool RefusesWrites(const struct stat& st) { return S_ISDIR(st.st_mode) || !(st.st_mode & S_IWUSR); }

bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Creates a new file beside `native`, named after it, exclusively and
// without following a link at the name; another name is drawn on a
// collision. Returns the descriptor (the name in `temp`), or -1 with errno.
int OpenUniqueBeside(const std::string& native, std::string& temp, mode_t mode) {
  const size_t slash = native.rfind('/');
  const size_t start = slash == std::string::npos ? 0 : slash + 1;
  for (int attempt = 0; attempt < 64; ++attempt) {
    temp = native.substr(0, start) + WorkingFileName(std::string_view(native).substr(start), 255);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd >= 0) return fd;
    if (errno != EEXIST) break;
  }
  const int err = errno;
  temp.clear();
  errno = err;
  return -1;
}

mode_t NewFileMode() { return static_cast<mode_t>(NewFilePermissions()); }

// The process umask: the only way to read it is to set it and put it back.
mode_t ReadUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

// Makes a rename in the folder of `native` survive a crash.
void SyncFolderOf(const std::string& native) {
  const size_t slash = native.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : native.substr(0, slash));
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Writes the bytes to a new file beside `native`, gives it `mode` and
// renames it over `native`: the file is the old one or the whole new one,
// and the old one's bytes stay with whoever still holds it open. With
// `durable` the data reach the disk before the rename and the rename after
// it, so a crash cannot leave an empty file in the old one's place.
bool ReplaceWithCopy(const std::string& native, mode_t mode, std::span<const uint8_t> bytes, bool durable) {
  std::string temp;
  const int fd = OpenUniqueBeside(native, temp, 0600);
  if (fd < 0) return Fail(errno, FailedCall::CreateInFolder);
  bool ok = WriteAll(fd, bytes.data(), bytes.size());
  int err = ok ? 0 : errno;
  if (ok && durable && ::fsync(fd) != 0) ok = false, err = errno;
  if (::close(fd) != 0 && ok) ok = false, err = errno;
  if (ok && ::chmod(temp.c_str(), mode) != 0) ok = false, err = errno;
  if (ok && ::rename(temp.c_str(), native.c_str()) != 0) ok = false, err = errno;
  if (!ok) {
    ::unlink(temp.c_str());
    return Fail(err ? err : EIO);
  }
  if (durable) SyncFolderOf(native);
  return true;
}

// A file where nothing is: created exclusively (a link that appears at
// the name is not followed), written, and removed again when the write
// fails. It replaces nothing, so it is not synced.
bool WriteNewFile(const std::string& native, std::span<const uint8_t> bytes) {
  const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return Fail(errno);
  int err = WriteAll(fd, bytes.data(), bytes.size()) ? 0 : (errno ? errno : EIO);
  if (::close(fd) != 0 && !err) err = errno;
  if (err) {
    ::unlink(native.c_str());
    return Fail(err);
  }
  return true;
}

}  // namespace

uint32_t NewFilePermissions() {
  static const mode_t mode = 0666 & ~ReadUmask();
  return mode;
}

bool PathExists(const WString& path) {
  struct stat st;
  return !path.empty() && ::stat(Native(path).c_str(), &st) == 0;
}

bool IsDirectory(const WString& path) {
  struct stat st;
  return !path.empty() && ::stat(Native(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const WString& path) {
  struct stat st;
  return !path.empty() && ::stat(Native(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool CreateFolder(const WString& path) {
  if (RefusedName(path)) return false;
  if (::mkdir(Native(path).c_str(), 0777) == 0) return true;
  return Fail(errno, FailedCall::MakeFolder);
}

bool IsReadOnly(const WString& path) {
  struct stat st;
  return ::stat(Native(path).c_str(), &st) == 0 && !(st.st_mode & S_IWUSR);
}

bool SetReadOnly(const WString& path, bool readOnly) {
  struct stat st;
  const std::string native = Native(path);
  if (::stat(native.c_str(), &st) != 0) return Fail(errno);
  mode_t mode = st.st_mode & 07777;
  mode = readOnly ? (mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
  if (::chmod(native.c_str(), mode) != 0) return Fail(errno);
  return true;
}

namespace {

// What deleting a file refuses, as DeleteFileW does: a folder, and a
// read-only file. Sets the error.
bool Deletable(const std::string& native, struct stat& st) {
  if (::lstat(native.c_str(), &st) != 0) return Fail(errno);
  if (S_ISDIR(st.st_mode)) return Fail(EACCES);
  if (!S_ISLNK(st.st_mode) && !(st.st_mode & S_IWUSR)) return Fail(EACCES);
  return true;
}

}  // namespace

bool DeleteFilePath(const WString& path) {
  const std::string native = Native(path);
  struct stat st;
  if (!Deletable(native, st)) return false;
  if (::unlink(native.c_str()) != 0) return Fail(errno);
  return true;
}

bool DeleteTree(const WString& path) {
  const std::string native = Native(path);
  struct stat st;
  if (::lstat(native.c_str(), &st) != 0) return errno == ENOENT;
  if (!S_ISDIR(st.st_mode)) return ::unlink(native.c_str()) == 0;
  if (DIR* dir = ::opendir(native.c_str())) {
    std::vector<std::string> names;
    while (dirent* e = ::readdir(dir)) {
      const std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    ::closedir(dir);
    for (const auto& n : names) DeleteTree(JoinPath(path, NativeToWide(n)));
  }
  return ::rmdir(native.c_str()) == 0;
}

bool ReadWholeFile(const WString& path, std::vector<uint8_t>& out, bool forWriting) {
  out.clear();
  // O_NONBLOCK keeps the open of a FIFO from waiting for a writer; only a
  // regular file is read, so a device or FIFO cannot hang the run.
  const int fd = ::open(Native(path).c_str(), (forWriting ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return Fail(errno);
  struct stat st;
  const bool statFailed = ::fstat(fd, &st) != 0;
  // The read-only attribute refuses writers even where POSIX (root) would not.
  if (statFailed || !S_ISREG(st.st_mode) || (forWriting && !(st.st_mode & S_IWUSR))) {
    const int err = statFailed ? errno : EACCES;
    ::close(fd);
    return Fail(err);
  }
  // Read straight into the result, sized by the file; a file that grows
  // meanwhile is read to its end all the same.
  size_t length = 0;
  out.resize(static_cast<size_t>(st.st_size) + 1);
  for (;;) {
    if (length == out.size()) out.resize(out.size() * 2);
    const ssize_t n = ::read(fd, out.data() + length, out.size() - length);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      out.clear();
      return Fail(err);
    }
    if (n == 0) break;
    length += static_cast<size_t>(n);
  }
  out.resize(length);
  ::close(fd);
  return true;
}

bool WriteFileBytes(const WString& path, std::span<const uint8_t> bytes, bool append) {
  if (RefusedName(path)) return false;
  const std::string native = Native(path);
  struct stat st;
  const bool existed = ::lstat(native.c_str(), &st) == 0;
  if (existed && !S_ISLNK(st.st_mode) && RefusesWrites(st)) return Fail(EACCES);
  if (!append || (existed && S_ISLNK(st.st_mode))) {
    // Replacing a file (or a link, which is replaced, never written
    // through) goes through a whole new copy renamed into place; a new
    // file replaces nothing and needs no sync.
    if (existed) return ReplaceWithCopy(native, S_ISLNK(st.st_mode) ? NewFileMode() : (st.st_mode & 07777), bytes, true);
    return WriteNewFile(native, bytes);
  }
  if (!existed) return WriteNewFile(native, bytes);
  if (!S_ISREG(st.st_mode)) return Fail(EACCES);
  const int fd = ::open(native.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Fail(errno);
  const off_t start = ::lseek(fd, 0, SEEK_END);
  int err = 0;
  if (start < 0 || !WriteAll(fd, bytes.data(), bytes.size())) err = errno ? errno : EIO;
  // A failed append takes back what it added: the file keeps its old length.
  if (err && start >= 0) {
    const int undone = ::ftruncate(fd, start);
    static_cast<void>(undone);
  }
  ::close(fd);
  if (err) return Fail(err);
  return true;
}

bool ReplaceFileContents(const WString& path, std::span<const uint8_t> bytes, bool durable) {
  if (RefusedName(path)) return false;
  const std::string native = Native(path);
  struct stat st;
  if (::lstat(native.c_str(), &st) != 0 || S_ISLNK(st.st_mode))
    return ReplaceWithCopy(native, NewFileMode(), bytes, durable);
  if (RefusesWrites(st)) return Fail(EACCES);
  return ReplaceWithCopy(native, st.st_mode & 07777, bytes, durable);
}

bool SyncFile(const WString& path) {
  const int fd = ::open(Native(path).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Fail(errno);
  const bool ok = ::fsync(fd) == 0;
  const int err = errno;
  ::close(fd);
  return ok || Fail(err);
}

bool MoveFileReplacing(const WString& from, const WString& to, bool durable) {
  if (RefusedName(to)) return false;
  const std::string target = Native(to);
  struct stat st;
  if (::lstat(target.c_str(), &st) == 0 && !S_ISLNK(st.st_mode) && RefusesWrites(st)) return Fail(EACCES);
  if (durable && !SyncFile(from)) return false;
  if (::rename(Native(from).c_str(), target.c_str()) != 0) return Fail(errno);
  if (durable) SyncFolderOf(target);
  return true;
}

WString CreateUniqueFile(const WString& besidePath) {
  if (RefusedName(besidePath)) return WString();
  std::string temp;
  const int fd = OpenUniqueBeside(Native(besidePath), temp, 0666);
  if (fd < 0) {
    Fail(errno, FailedCall::CreateInFolder);
    return WString();
  }
  ::close(fd);
  return NativeToWide(temp);
}

struct FolderLock {
  int fd = -1;
};

void FolderLockDeleter::operator()(FolderLock* lock) const {
  // Closing the descriptor releases the lock.
  if (lock && lock->fd >= 0) ::close(lock->fd);
  delete lock;
}

// flock on the folder's own descriptor: the lock lives with the open
// descriptor, so it ends with the run, however the run ends, and leaves no
// file behind.
FolderLockPtr LockFolder(const WString& folder, int waitMs) {
  const int fd = ::open(Native(folder.empty() ? WString(u".") : folder).c_str(),
                        O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    Fail(errno);
    return nullptr;
  }
  FolderLockPtr lock(new FolderLock{fd});
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs > 0 ? waitMs : 0);
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return lock;
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) {
      Fail(errno);
      return nullptr;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      SetLastErrorCode(kErrorSharingViolation);
      return nullptr;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

std::vector<DirEntry> ListDirectory(const WString& folder, WStringView pattern) {
  std::vector<DirEntry> entries;
  const std::string native = Native(folder.empty() ? WString(u".") : folder);
  DIR* dir = ::opendir(native.c_str());
  if (!dir) {
    // A folder that is not there is a path not found (3), as FindFirstFileW
    // reports it; 2 is kept for a folder without a matching entry.
    Fail(errno, FailedCall::ListFolder);
    return entries;
  }
  while (dirent* e = ::readdir(dir)) {
    const std::string n = e->d_name;
    if (n == "." || n == "..") continue;
    DirEntry entry;
    entry.name = NativeToWide(n);
    if (!WildcardMatch(pattern.empty() ? WStringView(u"*.*") : pattern, entry.name)) continue;
    // The listing's own type saves a lookup per entry; file systems that
    // give no type are looked up. A link is never followed: a link to a
    // folder is a link, not a folder; only its target's kind is looked up.
    if (e->d_type == DT_DIR) {
      entry.isDirectory = true;
    } else if (e->d_type == DT_LNK) {
      entry.isLink = true;
    } else if (e->d_type == DT_UNKNOWN) {
      struct stat st;
      if (::lstat((native + "/" + n).c_str(), &st) == 0) {
        entry.isLink = S_ISLNK(st.st_mode);
        entry.isDirectory = S_ISDIR(st.st_mode);
      }
    }
    struct stat target;
    entry.linksToFolder =
        entry.isLink && ::stat((native + "/" + n).c_str(), &target) == 0 && S_ISDIR(target.st_mode);
    entries.push_back(std::move(entry));
  }
  ::closedir(dir);
  SortListing(entries);
  return entries;
}

bool SameFile(const WString& a, const WString& b) {
  struct stat x, y;
  return ::stat(Native(a).c_str(), &x) == 0 && ::stat(Native(b).c_str(), &y) == 0 && x.st_dev == y.st_dev &&
         x.st_ino == y.st_ino;
}

WString CurrentDirectory() {
  std::vector<char> buf(4096);
  while (!::getcwd(buf.data(), buf.size())) {
    if (errno != ERANGE) return WString();
    buf.resize(buf.size() * 2);
  }
  return NativeToWide(buf.data());
}

bool ChangeDirectory(const WString& path) {
  if (::chdir(Native(path).c_str()) != 0) return Fail(errno);
  return true;
}

WString ExecutablePath() {
  std::vector<char> buf(4096);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return WString();
    if (static_cast<size_t>(n) < buf.size()) return NativeToWide(std::string(buf.data(), static_cast<size_t>(n)));
    buf.resize(buf.size() * 2);
  }
}

WString TempFolder() {
  const char* t = std::getenv("TMPDIR");
  WString folder = NativeToWide((t && *t) ? t : "/tmp");
  if (folder.empty() || folder.back() != kPathSep) folder.push_back(kPathSep);
  return folder;
}

// Environment names are case-insensitive on Windows: the exact name first,
// else the first variable whose name matches it under case folding.
bool GetEnvVar(const WString& name, WString& value) {
  if (name.empty() || name.find(u'=') != WString::npos) return false;
  if (const char* v = std::getenv(WideToNative(name).c_str())) {
    value = NativeToWide(v);
    return true;
  }
  for (char** e = environ; e && *e; ++e) {
    const std::string_view entry(*e);
    const size_t eq = entry.find('=');
    if (eq == std::string_view::npos || !EqualsNoCase(NativeToWide(entry.substr(0, eq)), name)) continue;
    value = NativeToWide(entry.substr(eq + 1));
    return true;
  }
  return false;
}

// The CSIDL numbers that have a clear counterpart here:
//   0  CSIDL_DESKTOP, 16 CSIDL_DESKTOPDIRECTORY  $HOME/Desktop
//   5  CSIDL_PERSONAL (documents)                $HOME/Documents
//   26 CSIDL_APPDATA (roaming settings)          $XDG_CONFIG_HOME, else $HOME/.config
//   28 CSIDL_LOCAL_APPDATA                       $XDG_DATA_HOME, else $HOME/.local/share
//   35 CSIDL_COMMON_APPDATA (ProgramData)        /var/lib
//   40 CSIDL_PROFILE                             $HOME
// /var/lib is the machine-wide, writable state of programs, as ProgramData
// is on Windows; $XDG_DATA_DIRS names read-only installed data instead.
// Common documents (46) and the rest have no such counterpart and are not
// mapped: they expand to "<invalid>", which no file function creates.
bool SpecialFolderPath(int csidl, WString& path) {
  WString home;
  const bool hasHome = GetEnvVar(u"HOME", home) && !home.empty();
  WString xdg;
  switch (csidl) {
    case 0: case 16: if (!hasHome) return false; path = JoinPath(home, u"Desktop"); return true;
    case 5: if (!hasHome) return false; path = JoinPath(home, u"Documents"); return true;
    case 26:
      if (GetEnvVar(u"XDG_CONFIG_HOME", xdg) && !xdg.empty()) { path = xdg; return true; }
      if (!hasHome) return false;
      path = JoinPath(home, u".config");
      return true;
    case 28:
      if (GetEnvVar(u"XDG_DATA_HOME", xdg) && !xdg.empty()) { path = xdg; return true; }
      if (!hasHome) return false;
      path = JoinPath(JoinPath(home, u".local"), u"share");
      return true;
    case 35: path = u"/var/lib"; return true;
    case 40: if (!hasHome) return false; path = home; return true;
    default: return false;
  }
}

bool FileDosDateTime(const WString& path, uint32_t& dosDateTime) {
  struct stat st;
  if (::stat(Native(path).c_str(), &st) != 0) return Fail(errno);
  struct tm local;
  const time_t t = st.st_mtime;
  if (!::localtime_r(&t, &local)) return false;
  dosDateTime = PackDosDateTime(
      {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec});
  return true;
}

bool SetFileDosDateTime(const WString& path, uint32_t dosDateTime) {
  const DosFields f = UnpackDosDateTime(dosDateTime);
  struct tm local = {};
  local.tm_year = f.year - 1900;
  local.tm_mon = f.month - 1;
  local.tm_mday = f.day;
  local.tm_hour = f.hour;
  local.tm_min = f.minute;
  local.tm_sec = f.second;
  local.tm_isdst = -1;
  const time_t t = ::mktime(&local);
  if (t == static_cast<time_t>(-1)) return false;
  struct timeval times[2];
  times[0].tv_sec = times[1].tv_sec = t;
  times[0].tv_usec = times[1].tv_usec = 0;
  if (::utimes(Native(path).c_str(), times) != 0) return Fail(errno);
  return true;
}
