// Windows implementation of the file layer (files.h): the Win32 functions
// the layer is named after, with the guarantees the POSIX side gives.
// Errors are GetLastError's values, kept per thread in the layer's own
// last error, so that a clean-up call after a failure cannot overwrite it.
#include "os/win32.h"

#include <shlobj.h>

#include "os/files_shared.h"
#include "os/paths.h"

namespace {

bool Fail() {
  SetLastErrorCode(static_cast<int>(::GetLastError()));
  return false;
}

bool FailWith(int code) {
  SetLastErrorCode(code);
  return false;
}

// Names are written with their full UTF-16 form, "/" as the system takes it.
const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

DWORD Attributes(const WString& path) {
  return path.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(WinStr(path));
}

// A symbolic link or a junction: a reparse point that stands for another
// name. (Other reparse points, such as files kept in the cloud, are the
// files themselves.)
bool IsLinkTag(DWORD attributes, DWORD tag) {
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsReparseTagNameSurrogate(tag);
}

// Whether the name is a reparse point (at most a link); found without
// following it.
bool IsReparsePoint(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Windows refuses to write into a folder or a read-only file (error 5).
bool RefusesWrites(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && !IsReparsePoint(attributes) &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
}

bool WriteAll(HANDLE file, const uint8_t* data, size_t size) {
  while (size > 0) {
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!::WriteFile(file, data, chunk, &written, nullptr)) return false;
    if (written == 0) {
      ::SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    data += written;
    size -= written;
  }
  return true;
}

// The folder part of `path`, with its separator ("" for a bare name).
WString FolderPrefix(const WString& path) {
  size_t cut = path.size();
  while (cut > 0 && !IsPathSeparator(path[cut - 1])) --cut;
  return path.substr(0, cut);
}

// Creates a new file beside `path`, named after it, exclusively (CREATE_NEW
// never opens what stands at the name, a link included); another name is
// drawn on a collision. Returns the handle (the name in `temp`), or an
// invalid one with GetLastError set.
HANDLE CreateUniqueBeside(const WString& path, WString& temp) {
  const WString folder = FolderPrefix(path);
  const WStringView stem = WStringView(path).substr(folder.size());
  for (int attempt = 0; attempt < 64; ++attempt) {
    temp = folder + WorkingFileName(stem, 255);
    const HANDLE file =
        ::CreateFileW(WinStr(temp), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    const DWORD err = ::GetLastError();
    if (err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS) break;
  }
  const DWORD err = ::GetLastError();
  temp.clear();
  ::SetLastError(err);
  return INVALID_HANDLE_VALUE;
}

// Writes the bytes to a new file beside `path` and renames it over `path`
// (MoveFileExW with MOVEFILE_REPLACE_EXISTING): the file is the old one or
// the whole new one. With `durable` the data reach the disk before the
// rename (FlushFileBuffers) and the rename before the call returns
// (MOVEFILE_WRITE_THROUGH). The new file takes the old one's hidden, system
// and archive attributes; its security is the folder's, as for any new file.
bool ReplaceWithCopy(const WString& path, DWORD oldAttributes, std::span<const uint8_t> bytes, bool durable) {
  WString temp;
  ScopedHandle file(CreateUniqueBeside(path, temp));
  if (!file.Valid()) return Fail();
  bool ok = WriteAll(file.Get(), bytes.data(), bytes.size());
  if (ok && durable) ok = ::FlushFileBuffers(file.Get());
  DWORD err = ok ? 0 : ::GetLastError();
  if (!file.Close() && ok) ok = false, err = ::GetLastError();
  constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
  if (ok && oldAttributes != INVALID_FILE_ATTRIBUTES && !IsReparsePoint(oldAttributes) && (oldAttributes & kKept))
    ::SetFileAttributesW(WinStr(temp), oldAttributes & kKept);
  const DWORD flags = MOVEFILE_REPLACE_EXISTING | (durable ? MOVEFILE_WRITE_THROUGH : 0);
  if (ok && !::MoveFileExW(WinStr(temp), WinStr(path), flags)) ok = false, err = ::GetLastError();
  if (!ok) {
    ::DeleteFileW(WinStr(temp));
    return FailWith(err ? static_cast<int>(err) : kErrorWriteFault);
  }
  return true;
}

// A file where nothing is: created exclusively, written, and removed again
// when the write fails. It replaces nothing, so it is not flushed.
bool WriteNewFile(const WString& path, std::span<const uint8_t> bytes) {
  ScopedHandle file(
      ::CreateFileW(WinStr(path), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return Fail();
  DWORD err = WriteAll(file.Get(), bytes.data(), bytes.size()) ? 0 : ::GetLastError();
  if (!file.Close() && !err) err = ::GetLastError();
  if (err) {
    ::DeleteFileW(WinStr(path));
    return FailWith(static_cast<int>(err));
  }
  return true;
}

// Only a file on a disk is read or written in place: a pipe, a console or
// another device (GetFileType) is refused with 5, as a folder is. So is a
// read-only file opened for writing: Windows refuses the open itself, but
// Wine run by root does not.
bool IsDiskFile(HANDLE file, bool forWriting) {
  BY_HANDLE_FILE_INFORMATION info;
  if (::GetFileType(file) != FILE_TYPE_DISK || !::GetFileInformationByHandle(file, &info)) return false;
  const DWORD refused = FILE_ATTRIBUTE_DIRECTORY | (forWriting ? FILE_ATTRIBUTE_READONLY : 0);
  return !(info.dwFileAttributes & refused);
}

// The folder's own handle, not its contents: for its identity and times.
HANDLE OpenForAttributes(const WString& path, DWORD access) {
  return ::CreateFileW(WinStr(path), access, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

bool PathExists(const WString& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }

bool IsDirectory(const WString& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A device path ("\\.\...") or a device attribute is no regular file; the
// readers check the opened handle as well (GetFileType).
bool IsRegularFile(const WString& path) {
  if (path.size() >= 4 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]) && path[2] == u'.' &&
      IsPathSeparator(path[3]))
    return false;
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
}

bool CreateFolder(const WString& path) {
  if (RefusedName(path)) return false;
  return ::CreateDirectoryW(WinStr(path), nullptr) || Fail();
}

bool IsReadOnly(const WString& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

bool SetReadOnly(const WString& path, bool readOnly) {
  const DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return Fail();
  DWORD changed = readOnly ? (attributes | FILE_ATTRIBUTE_READONLY) : (attributes & ~FILE_ATTRIBUTE_READONLY);
  if (changed == 0) changed = FILE_ATTRIBUTE_NORMAL;
  return ::SetFileAttributesW(WinStr(path), changed) || Fail();
}

// DeleteFileW refuses a read-only file and a folder with 5 by itself; a
// link is deleted, never what it points to.
bool DeleteFilePath(const WString& path) { return ::DeleteFileW(WinStr(path)) || Fail(); }

bool DeleteTree(const WString& path) {
  const DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD err = ::GetLastError();
    return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND;
  }
  // A read-only file or folder goes too, as unlink takes it on POSIX.
  if (attributes & FILE_ATTRIBUTE_READONLY)
    ::SetFileAttributesW(WinStr(path), (attributes & ~FILE_ATTRIBUTE_READONLY) | FILE_ATTRIBUTE_NORMAL);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return ::DeleteFileW(WinStr(path));
  // A link to a folder is removed itself; what it points to stays.
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    for (const DirEntry& e : ListDirectory(path, u"*")) DeleteTree(JoinPath(path, e.name));
  return ::RemoveDirectoryW(WinStr(path));
}

bool ReadWholeFile(const WString& path, std::vector<uint8_t>& out, bool forWriting) {
  out.clear();
  // A folder cannot be opened this way (no FILE_FLAG_BACKUP_SEMANTICS): 5.
  // A read-only file cannot be opened for writing: 5.
  ScopedHandle file(::CreateFileW(WinStr(path), GENERIC_READ | (forWriting ? GENERIC_WRITE : 0), kShareAll, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return Fail();
  if (!IsDiskFile(file.Get(), forWriting)) return FailWith(kErrorAccessDenied);
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file.Get(), &size)) return Fail();
  if (static_cast<unsigned long long>(size.QuadPart) >= SIZE_MAX / 2) return FailWith(kErrorNotEnoughMemory);
  // Read straight into the result, sized by the file; a file that grows
  // meanwhile is read to its end all the same.
  size_t length = 0;
  out.resize(static_cast<size_t>(size.QuadPart) + 1);
  for (;;) {
    if (length == out.size()) out.resize(out.size() * 2);
    const size_t room = out.size() - length;
    DWORD got = 0;
    if (!::ReadFile(file.Get(), out.data() + length, room > (1u << 30) ? (1u << 30) : static_cast<DWORD>(room), &got,
                    nullptr)) {
      out.clear();
      return Fail();
    }
    if (got == 0) break;
    length += got;
  }
  out.resize(length);
  return true;
}


uint32_t NewFilePermissions() { return 0666; }

bool WriteFileBytes(const WString& path, std::span<const uint8_t> bytes, bool append) {
  if (RefusedName(path)) return false;
  const DWORD attributes = Attributes(path);
  const bool existed = attributes != INVALID_FILE_ATTRIBUTES;
  if (RefusesWrites(attributes)) return FailWith(kErrorAccessDenied);
  if (!existed) return WriteNewFile(path, bytes);
  // Replacing a file (or a link, which is replaced, never written through)
  // goes through a whole new copy renamed into place.
  if (!append || IsReparsePoint(attributes)) return ReplaceWithCopy(path, attributes, bytes, true);
  ScopedHandle file(::CreateFileW(WinStr(path), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file.Valid()) return Fail();
  if (!IsDiskFile(file.Get(), true)) return FailWith(kErrorAccessDenied);
  LARGE_INTEGER start, zero;
  zero.QuadPart = 0;
  if (!::SetFilePointerEx(file.Get(), zero, &start, FILE_END)) return Fail();
  if (WriteAll(file.Get(), bytes.data(), bytes.size())) return true;
  // A failed append takes back what it added: the file keeps its old length.
  const DWORD err = ::GetLastError();
  if (::SetFilePointerEx(file.Get(), start, nullptr, FILE_BEGIN)) ::SetEndOfFile(file.Get());
  return FailWith(static_cast<int>(err));
}

bool ReplaceFileContents(const WString& path, std::span<const uint8_t> bytes, bool durable) {
  if (RefusedName(path)) return false;
  const DWORD attributes = Attributes(path);
  if (RefusesWrites(attributes)) return FailWith(kErrorAccessDenied);
  return ReplaceWithCopy(path, attributes, bytes, durable);
}

bool SyncFile(const WString& path) {
  // FlushFileBuffers needs write access.
  ScopedHandle file(
      ::CreateFileW(WinStr(path), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return Fail();
  return ::FlushFileBuffers(file.Get()) || Fail();
}

bool MoveFileReplacing(const WString& from, const WString& to, bool durable) {
  if (RefusedName(to)) return false;
  if (RefusesWrites(Attributes(to))) return FailWith(kErrorAccessDenied);
  if (durable && !SyncFile(from)) return false;
  const DWORD flags = MOVEFILE_REPLACE_EXISTING | (durable ? MOVEFILE_WRITE_THROUGH : 0);
  return ::MoveFileExW(WinStr(from), WinStr(to), flags) || Fail();
}

WString CreateUniqueFile(const WString& besidePath) {
  if (RefusedName(besidePath)) return WString();
  WString temp;
  ScopedHandle file(CreateUniqueBeside(besidePath, temp));
  if (!file.Valid()) {
    Fail();
    return WString();
  }
  return temp;
}

// A named mutex per folder, named after the folder's identity (its volume
// and file index), so that every name of one folder meets the same lock.
// The system releases a mutex whose holder ended, however it ended, and
// nothing is created in the folder. (A mutex belongs to the thread that
// took it: the lock is released by the thread that took it.)
struct FolderLock {
  HANDLE mutex = nullptr;
};

void FolderLockDeleter::operator()(FolderLock* lock) const {
  if (lock && lock->mutex) {
    ::ReleaseMutex(lock->mutex);
    ::CloseHandle(lock->mutex);
  }
  delete lock;
}

FolderLockPtr LockFolder(const WString& folder, int waitMs) {
  BY_HANDLE_FILE_INFORMATION info;
  {
    ScopedHandle handle(OpenForAttributes(folder.empty() ? WString(u".") : folder, FILE_READ_ATTRIBUTES));
    if (!handle.Valid() || !::GetFileInformationByHandle(handle.Get(), &info)) {
      Fail();
      return nullptr;
    }
  }
  wchar_t name[80];
  for (const wchar_t* scope : {L"Global", L"Local"}) {
    ::swprintf(name, sizeof name / sizeof name[0], L"%ls\\packsmith.folder.%08lx.%08lx%08lx", scope,
               info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow);
    const HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name);
    if (!mutex) {
      if (::GetLastError() == ERROR_ACCESS_DENIED) continue;  // no global names in this session
      Fail();
      return nullptr;
    }
    FolderLockPtr lock(new FolderLock{nullptr});
    const DWORD waited = ::WaitForSingleObject(mutex, waitMs > 0 ? static_cast<DWORD>(waitMs) : 0);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
      lock->mutex = mutex;
      return lock;
    }
    const DWORD err = waited == WAIT_TIMEOUT ? ERROR_SHARING_VIOLATION : ::GetLastError();
    ::CloseHandle(mutex);
    SetLastErrorCode(static_cast<int>(err));
    return nullptr;
  }
  SetLastErrorCode(kErrorAccessDenied);
  return nullptr;
}

std::vector<DirEntry> ListDirectory(const WString& folder, WStringView pattern) {
  std::vector<DirEntry> entries;
  // Every name is listed and matched here, against the long name only: the
  // system's own matching also tries the 8.3 short names, by which "*.lng"
  // would list "x.lngx" (short name "XLNGX~1.LNG").
  const WString all = JoinPath(folder.empty() ? WString(u".") : folder, u"*");
  WIN32_FIND_DATAW data;
  const HANDLE find = ::FindFirstFileExW(WinStr(all), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) {
    // A folder that is not there (or is a file) is a path not found (3); 2
    // is kept for a folder without a matching entry.
    const DWORD err = ::GetLastError();
    SetLastErrorCode(err == ERROR_DIRECTORY || err == ERROR_INVALID_NAME ? kErrorPathNotFound : static_cast<int>(err));
    return entries;
  }
  const WStringView match = pattern.empty() ? WStringView(u"*.*") : pattern;
  do {
    DirEntry entry;
    entry.name = FromWin(data.cFileName);
    if (entry.name == u"." || entry.name == u".." || !WildcardMatch(match, entry.name)) continue;
    // A link is never followed: a link to a folder is a link, not a folder.
    // A link made for a folder (a junction, a folder symbolic link) carries
    // the folder attribute itself.
    entry.isLink = IsLinkTag(data.dwFileAttributes, data.dwReserved0);
    entry.isDirectory = !entry.isLink && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    entry.linksToFolder = entry.isLink && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    entries.push_back(std::move(entry));
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  SortListing(entries);
  return entries;
}

namespace {

bool FileIdentity(const WString& path, BY_HANDLE_FILE_INFORMATION& info) {
  ScopedHandle file(OpenForAttributes(path, FILE_READ_ATTRIBUTES));
  return file.Valid() && ::GetFileInformationByHandle(file.Get(), &info);
}

}  // namespace

bool SameFile(const WString& a, const WString& b) {
  BY_HANDLE_FILE_INFORMATION x, y;
  return FileIdentity(a, x) && FileIdentity(b, y) && x.dwVolumeSerialNumber == y.dwVolumeSerialNumber &&
         x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow;
}

WString CurrentDirectory() {
  WString buf(MAX_PATH, u'\0');
  for (;;) {
    const DWORD n = ::GetCurrentDirectoryW(static_cast<DWORD>(buf.size()), WinBuffer(buf));
    if (n == 0) return WString();
    if (n < buf.size()) return buf.substr(0, n);
    buf.resize(n);  // n counts the terminator when the buffer was short
  }
}

bool ChangeDirectory(const WString& path) { return ::SetCurrentDirectoryW(WinStr(path)) || Fail(); }

WString ExecutablePath() {
  WString buf(MAX_PATH, u'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, WinBuffer(buf), static_cast<DWORD>(buf.size()));
    if (n == 0) return WString();
    // A full buffer means the name was cut: try again with more room.
    if (n < buf.size()) return buf.substr(0, n);
    buf.resize(buf.size() * 2);
  }
}

WString TempFolder() {
  WString buf(MAX_PATH + 1, u'\0');
  for (;;) {
    const DWORD n = ::GetTempPathW(static_cast<DWORD>(buf.size()), WinBuffer(buf));
    if (n == 0) return WString(u".\\");
    if (n < buf.size()) {
      buf.resize(n);
      break;
    }
    buf.resize(n);
  }
  if (buf.empty() || !IsPathSeparator(buf.back())) buf.push_back(kPathSep);
  return buf;
}

// Environment names are case-insensitive on Windows by themselves.
bool GetEnvVar(const WString& name, WString& value) {
  if (name.empty() || name.find(u'=') != WString::npos) return false;
  WString buf(256, u'\0');
  for (;;) {
    ::SetLastError(ERROR_SUCCESS);
    const DWORD n = ::GetEnvironmentVariableW(WinStr(name), WinBuffer(buf), static_cast<DWORD>(buf.size()));
    if (n == 0 && ::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
    if (n < buf.size()) {
      value = buf.substr(0, n);
      return true;
    }
    buf.resize(n);  // n counts the terminator when the buffer was short
  }
}

// The shell's folder for the CSIDL number, whatever the number (flags such
// as CSIDL_FLAG_CREATE in the upper bits are not taken).
bool SpecialFolderPath(int csidl, WString& path) {
  if (csidl < 0 || csidl > 0xFF) return false;
  wchar_t buf[MAX_PATH];
  if (::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf) != S_OK) return false;
  path = FromWin(buf);
  return true;
}

bool FileDosDateTime(const WString& path, uint32_t& dosDateTime) {
  ScopedHandle file(OpenForAttributes(path, FILE_READ_ATTRIBUTES));
  FILETIME written, local;
  SYSTEMTIME t;
  if (!file.Valid() || !::GetFileTime(file.Get(), nullptr, nullptr, &written)) return Fail();
  if (!::FileTimeToLocalFileTime(&written, &local) || !::FileTimeToSystemTime(&local, &t)) return Fail();
  // Through the fields rather than FileTimeToDosDateTime, so that a time
  // outside 1980..2107 is clamped to the year as on POSIX, not refused.
  dosDateTime = PackDosDateTime({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond});
  return true;
}

// The creation time too, as Windows keeps one.
bool SetFileDosDateTime(const WString& path, uint32_t dosDateTime) {
  const DosFields f = UnpackDosDateTime(dosDateTime);
  SYSTEMTIME t = {};
  t.wYear = static_cast<WORD>(f.year);
  t.wMonth = static_cast<WORD>(f.month);
  t.wDay = static_cast<WORD>(f.day);
  t.wHour = static_cast<WORD>(f.hour);
  t.wMinute = static_cast<WORD>(f.minute);
  t.wSecond = static_cast<WORD>(f.second);
  FILETIME local, utc;
  if (!::SystemTimeToFileTime(&t, &local) || !::LocalFileTimeToFileTime(&local, &utc)) return Fail();
  ScopedHandle file(OpenForAttributes(path, FILE_WRITE_ATTRIBUTES));
  if (!file.Valid() || !::SetFileTime(file.Get(), &utc, &utc, &utc)) return Fail();
  return true;
}
