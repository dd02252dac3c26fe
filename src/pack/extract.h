// Unpacking a language pack into a folder, keeping the paths stored in the
// archive (over minizip's unzip). Every message is narrow text printed
// straight to standard output, whatever "/nomsgs" says.
#pragma once

#include <cstdint>
#include <unordered_set>

#include <minizip/unzip.h>

#include "text/text.h"

// What one extraction may write. A pack holds language files and a few
// extra files: an entry larger than a language file can be is no language
// file, and a pack that unpacks to more than the total is no pack.
struct ExtractLimits {
  uint64_t entryBytes = uint64_t{256} << 20;
  uint64_t totalBytes = uint64_t{1} << 30;
};

// The running state of one extraction.
struct ExtractState {
  ExtractLimits limits;
  uint64_t written = 0;        // bytes of the entries extracted so far
  WString targetFolder;        // the folder unpacked into (the working folder)
  WString partialFile;         // the file being written, until it is whole
  // The files extracted so far, each by its name's components upper-cased:
  // a later entry that names one of them again, in any letter case, is
  // skipped, so every build keeps the first (Linux would keep both, Windows
  // the last).
  std::unordered_set<WString> extracted;
  // A second handle on the archive, through the same file layer, that the
  // data of stored entries is read through directly; null when the archive
  // could not be opened twice (every entry then goes through minizip).
  zlib_filefunc_def* files = nullptr;
  voidpf direct = nullptr;
  uint64_t archiveSize = 0;
  // The Windows error of a write the target folder refused (a full disk):
  // the pack is not there whole. 0 while every write succeeds.
  int writeError = 0;
};

// Opens the archive, makes the target folder the working folder and unpacks
// every entry into it. True when the archive was opened and the folder
// entered (whatever happened to the entries); `writeError`, when given,
// receives the error of a write the folder refused, or 0, and `whole`
// whether the walk went through every entry (skipped entries included)
// rather than ending at a damaged one. The working folder stays changed:
// the caller restores it when it is done.
bool ExtractArchive(const WString& archive, const WString& targetFolder, const ExtractLimits& limits = {},
                    int* writeError = nullptr, bool* whole = nullptr);

// Walks the entries in archive order; an entry that fails ends the walk.
// True when the walk reached the last entry.
bool ExtractAllEntries(unzFile archive, ExtractState& state);

// Unpacks the current entry under its stored name, relative to the working
// folder. 0, or the minizip error that ends the walk. An entry that fails
// while it is written leaves no file behind.
int ExtractCurrentEntry(unzFile archive, ExtractState& state);

// Creates every missing folder of `path` ("\" and "/" both separate). False
// when the path is empty or a folder cannot be made because its parent is
// missing.
bool MakeDirectoryPath(const WString& path);

// Gives the file the entry's MS-DOS date (high 16 bits) and time (low 16
// bits), local time, as its last-write time.
void SetExtractedFileTime(const WString& path, uint32_t dosDate);

// True when the stored name stays inside the target folder (not absolute,
// no drive letter, no ".." component) and every platform can hold it: no
// component that Windows refuses (a ":" or another character it reserves, a
// device name such as CON or COM1 with or without an extension, a trailing
// dot or space) and none longer than 255 characters. The same names are
// refused on every platform, so reports are the same everywhere.
bool IsContainedEntryName(WStringView name);
