// The file system as the tool sees it, with the same meaning on both sides:
// Windows' file semantics, error numbers and listing order. Paths are UTF-16
// and converted to the native encoding at each call.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "os/error_codes.h"
#include "text/text.h"

// The Windows error code of the last failed call of this layer
// (GetLastError). Each failing function sets it. The value is kept per
// thread, as GetLastError is: a failure on one worker thread never shows in
// another thread's error.
int GetLastErrorCode();
void SetLastErrorCode(int code);
// What a failed POSIX call was doing, where one errno means different
// Windows errors: ENOENT is a missing file (2) when a file is opened, but a
// missing folder (3) when a file is created in it or a folder is listed;
// EEXIST is 183 for a folder.
enum class FailedCall { OpenFile, CreateInFolder, ListFolder, MakeFolder };
// The POSIX side's one mapping from errno to Windows error numbers.
int WinErrorFromErrno(int err, FailedCall call = FailedCall::OpenFile);

bool PathExists(const WString& path);  // file or folder (PathFileExistsW)
bool IsDirectory(const WString& path);  // PathIsDirectoryW
bool IsRegularFile(const WString& path);
// One level; the parent must exist. Sets the error (183 when it exists).
bool CreateFolder(const WString& path);
// Deletes a file. A read-only file (no owner write permission) fails with 5.
bool DeleteFilePath(const WString& path);
// Removes a folder and everything below it; true when nothing is left.
bool DeleteTree(const WString& path);
bool IsReadOnly(const WString& path);
bool SetReadOnly(const WString& path, bool readOnly);

// Reads a regular file. Anything else (a FIFO, a device, a folder) fails
// at once with 5 and never blocks; a missing file fails with 2. With
// `forWriting`, the file is one this run may write and is opened for writing
// as a resource update opens it: a read-only file (no owner write
// permission) or one that cannot be opened for writing fails with 5.
bool ReadWholeFile(const WString& path, std::vector<uint8_t>& out, bool forWriting = false);

// 0666 less the process umask: the permissions of a new file. The umask is
// read once, at the first call; PrepareProcess makes that call before any
// thread starts, since reading the umask means setting it for a moment, and
// a file another thread created in that moment would get no umask at all.
// Windows has no umask: 0666 there.
uint32_t NewFilePermissions();

// Outputs never write through links: a link at the name is replaced by a
// new file, never followed, so nothing is created outside the folder named.
// Names holding '<' or '>' are refused with 123 (ERROR_INVALID_NAME) by
// every function that creates a file or folder, as Windows refuses them.
//
// A file once replaced or deleted is never written again, and new content
// never goes into storage that another file had: it always goes into a new
// file, created exclusively, so a process that holds the old file open or
// mapped (a player, an editor, a backup) keeps reading its old bytes.
//
// Durability: a write that replaces a file syncs the new data before the
// rename and the folder after it, so a crash leaves the old file or the
// whole new one. A new file that replaces nothing is not synced.
//
// Writes `bytes` to `path`. A new file is created exclusively (0666 less
// umask). Overwriting an existing file goes through ReplaceFileContents; an
// append to a regular file takes its bytes back when it fails. A read-only
// file or a folder at `path` fails with 5.
bool WriteFileBytes(const WString& path, std::span<const uint8_t> bytes, bool append = false);

// Writes the bytes to a new file in the same folder and renames it over
// `path`, so `path` is either as it was or the whole new content. The new
// file keeps the old one's permission bits, and nothing else of it (no
// extended attribute, no access list). A read-only target fails with 5.
// Durable (synced); pass durable = false where the old file need not
// survive a crash (a working file this run made).
bool ReplaceFileContents(const WString& path, std::span<const uint8_t> bytes, bool durable = true);
// Flushes a file's data to the disk (FlushFileBuffers).
bool SyncFile(const WString& path);
// Gives `from` the name `to` in one step (MoveFileExW with
// MOVEFILE_REPLACE_EXISTING): `to` is the old file or the whole new one. A
// read-only file or a folder at `to` fails with 5. With `durable`
// (MOVEFILE_WRITE_THROUGH) `from` is synced first and the rename after it:
// for a pack that replaces the previous one. Without, nothing is synced.
bool MoveFileReplacing(const WString& from, const WString& to, bool durable = false);
// Creates a new, empty file with a name of its own in the folder of
// `besidePath`: the last component of `besidePath` followed by "." and
// random hexadecimal digits and ".tmp" (for example "x.lgp.3f9c0a71d2e4b856.tmp").
// The file is created exclusively and a link at the name is never followed;
// on a collision another name is drawn, so a leftover of an earlier run,
// whatever its process id, never blocks. Returns the full name, or an empty
// string with the error set (for example 3 when the folder is missing).
// The caller renames the file into place or deletes it.
WString CreateUniqueFile(const WString& besidePath);
// The name a working file stands beside when `name` is one exactly as
// CreateUniqueFile and the replacing writes make it ("x.lgp" for
// "x.lgp.3f9c0a71d2e4b856.tmp"); empty for any other name, such as a
// user's "backup.zip.2024.tmp".
WStringView WorkingFileStem(WStringView name);

// An exclusive lock between processes on a folder, held until the pointer
// is released. Two runs that share a working folder take it so that they
// never mix their files. Nothing is created in the folder.
struct FolderLock;
struct FolderLockDeleter {
  void operator()(FolderLock* lock) const;
};
using FolderLockPtr = std::unique_ptr<FolderLock, FolderLockDeleter>;
// Waits up to `waitMs` milliseconds (0: tries once) for another holder to
// release the lock. Null with the error set otherwise: 32
// (ERROR_SHARING_VIOLATION) while another run holds it, the file layer's
// error when the folder cannot be opened.
FolderLockPtr LockFolder(const WString& folder, int waitMs);

struct DirEntry {
  WString name;
  bool isDirectory = false;
  // A symbolic link (on Windows also a junction). Links are never entered:
  // a link to a folder has isDirectory false and linksToFolder true, so a
  // walk stays inside its folder and can name the link it passed over. A
  // link to anything else is opened as its target (or fails as a missing
  // file when it leads nowhere).
  bool isLink = false;
  bool linksToFolder = false;
};
// FindFirstFileW over folder + pattern: '*' and '?' match case-insensitively,
// "*.*" matches every name. "." and ".." are never listed. Entries are sorted
// by name case-insensitively (upper-cased code units), as NTFS lists them.
// An unreadable or missing folder gives an empty list (and sets the error).
std::vector<DirEntry> ListDirectory(const WString& folder, WStringView pattern);
bool WildcardMatch(WStringView pattern, WStringView name);
// A pattern that lists at least every name equal to `name` whatever its
// letter case: the name itself, or "*" when it holds a wildcard character.
WStringView NoCasePattern(WStringView name);
// Finds an entry of `folder` named `name` whatever its letter case: the
// exact name first, else the first case-insensitive match in listing order.
// Returns the full path, or folder/name when nothing matches.
WString FindNameNoCase(const WString& folder, WStringView name);

// Whether two paths name one file (links followed): the same device and
// inode, or volume and file index. False when either cannot be found.
bool SameFile(const WString& a, const WString& b);

WString CurrentDirectory();
bool ChangeDirectory(const WString& path);
WString ExecutablePath();  // the running executable (GetModuleFileNameW)
WString TempFolder();      // $TMPDIR or /tmp, with a trailing separator
bool GetEnvVar(const WString& name, WString& value);
// CSIDL special folders; false when the number has no folder here.
bool SpecialFolderPath(int csidl, WString& path);
WString NewUuidString();  // 8-4-4-4-12 lowercase hexadecimal

// Last-write time as a DOS date (high 16 bits) and time (low 16 bits) in
// local time. False when the file cannot be found.
bool FileDosDateTime(const WString& path, uint32_t& dosDateTime);
// Sets the last-write (and access) time from a DOS date and time in local time.
bool SetFileDosDateTime(const WString& path, uint32_t dosDateTime);
