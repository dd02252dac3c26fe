#include "pack/extract.h"

#include <minizip/ioapi.h>

#include <algorithm>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "driver/console_output.h"
#include "pe/byte_reader.h"
#include "os/files.h"
#include "os/native_path.h"
#include "os/paths.h"

namespace {

constexpr size_t kCopyBufferSize = 8192;
// Extracted bytes are collected and appended to the file in pieces of this
// size, so a large entry neither sits whole in memory nor costs one file
// open per 8 KiB read.
constexpr size_t kFlushSize = 1 << 20;
// General purpose flag bit 11: the entry's name is UTF-8.
constexpr unsigned long kUtf8NameFlag = 0x800;

bool IsEntrySeparator(char16_t c) { return c == u'/' || c == u'\\'; }

// The longest component every platform holds (NAME_MAX, and NTFS's limit).
constexpr size_t kMaxComponent = 255;
// The copy buffer of one entry could not be had (Windows' ERROR_NOT_ENOUGH_MEMORY
// as minizip's callers know it).
constexpr int kAllocationFailed = -104;

// The device names Windows keeps in every folder (CON, PRN, AUX, NUL,
// COM1-COM9, LPT1-LPT9), matched before the first dot as Windows does.
bool IsDeviceName(WStringView component) {
  const WStringView base = component.substr(0, component.find(u'.'));
  auto is = [&](WStringView word) { return EqualsNoCase(base, word); };
  if (is(u"CON") || is(u"PRN") || is(u"AUX") || is(u"NUL")) return true;
  return base.size() == 4 && (EqualsNoCase(base.substr(0, 3), u"COM") || EqualsNoCase(base.substr(0, 3), u"LPT")) &&
         base[3] >= u'1' && base[3] <= u'9';
}

// One component of a stored name: never "..", and nothing Windows cannot
// hold as a name. "." and empty components (a doubled separator) are
// harmless and pass.
bool IsPortableComponent(WStringView component) {
  if (component.empty() || component == u".") return true;
  if (component == u".." || component.size() > kMaxComponent) return false;
  for (char16_t c : component)
    if (c < 0x20 || WStringView(u"<>:\"|?*").find(c) != WStringView::npos) return false;
  if (component.back() == u'.' || component.back() == u' ') return false;
  return !IsDeviceName(component);
}

void PrintTooLarge(const WString& name, uint64_t limit) {
  PrintNarrow("skipping %s: larger than %u MiB, too large for a language pack\r\n", name, static_cast<unsigned>(limit >> 20));
}

void PrintSkipped(const WString& name) {
  PrintNarrow("skipping %s: its path leads outside the target folder\r\n", name);
}

// The stored name as a path of this platform: both "\" and "/" separate
// folders in a pack, whatever system made it.
WString NativeEntryPath(WStringView name) {
  WString path(name);
  for (char16_t& c : path)
    if (IsEntrySeparator(c)) c = kPathSep;
  return path;
}

WString DecodeEntryName(const std::string& raw, unsigned long flag) {
  return (flag & kUtf8NameFlag) ? Utf8ToWide(raw) : AnsiToWide(raw);
}

// unzGetCurrentFileInfo twice: once for the name's length, once for the
// name itself, so no name is ever cut.
int ReadEntryInfo(unzFile archive, unz_file_info& info, WString& name) {
  int err = unzGetCurrentFileInfo(archive, &info, nullptr, 0, nullptr, 0, nullptr, 0);
  if (err != UNZ_OK) return err;
  std::vector<char> raw(info.size_filename + 1, 0);
  err = unzGetCurrentFileInfo(archive, &info, raw.data(), static_cast<uLong>(raw.size()), nullptr, 0, nullptr, 0);
  if (err != UNZ_OK) return err;
  name = DecodeEntryName(std::string(raw.data()), info.flag);
  return UNZ_OK;
}

bool FlushPending(const WString& path, std::vector<uint8_t>& pending) {
  const bool ok = pending.empty() || WriteFileBytes(path, pending, true);
  pending.clear();
  return ok;
}

// A write the target folder refused ends the walk, and the caller learns
// that the pack is not there whole.
int WriteFailed(ExtractState& state) {
  const int error = GetLastErrorCode();
  state.writeError = error != 0 ? error : kErrorWriteFault;
  PrintNarrow("error in writing extracted file\r\n");
  return -1;
}

// Creates (or empties) the output file; on failure makes the entry's folders
// and tries once more.
bool CreateOutputFile(const WString& name, const WString& path) {
  if (WriteFileBytes(path, {}, false)) return true;
  size_t cut = name.size();
  while (cut > 0 && !IsEntrySeparator(name[cut - 1])) --cut;
  if (cut == 0) return false;
  MakeDirectoryPath(name.substr(0, cut - 1));
  return WriteFileBytes(path, {}, false);
}

// The copy loop: 0, the negative read error, -1 for a write error, or 1
// when the entry holds more than it may (its message printed).
int CopyEntryData(unzFile archive, const WString& name, const WString& path, ExtractState& state) {
  const uint64_t limit = state.limits.entryBytes;
  std::vector<uint8_t> buffer(kCopyBufferSize);
  std::vector<uint8_t> pending;
  uint64_t copied = 0;
  for (;;) {
    const int read = unzReadCurrentFile(archive, buffer.data(), static_cast<unsigned>(buffer.size()));
    if (read == 0) break;
    if (read < 0) {
      PrintNarrow("error %d with zipfile in unzReadCurrentFile\r\n", read);
      return read;
    }
    copied += static_cast<uint64_t>(read);
    if (copied > limit) {
      PrintTooLarge(name, limit);
      return 1;
    }
    pending.insert(pending.end(), buffer.begin(), buffer.begin() + read);
    if (pending.size() >= kFlushSize && !FlushPending(path, pending)) return WriteFailed(state);
  }
  if (!FlushPending(path, pending)) return WriteFailed(state);
  return 0;
}

// Whether the entry's data can be read straight from the archive: stored,
// not encrypted, as long as it says it is, and wholly inside the file.
// minizip copies stored data a byte at a time through a small buffer; the
// direct read gives the same bytes and the same checksum test.
bool ReadsDirectly(unzFile archive, const unz_file_info& info, const ExtractState& state, uint64_t& offset) {
  if (!state.direct || info.compression_method != 0 || (info.flag & 1) != 0 ||
      info.compressed_size != info.uncompressed_size)
    return false;
  offset = unzGetCurrentFileZStreamPos64(archive);
  return offset <= state.archiveSize && info.compressed_size <= state.archiveSize - offset &&
         state.archiveSize <= static_cast<uint64_t>(std::numeric_limits<long>::max());
}

// The stored data at `offset` into the file, in pieces of the flush size,
// with its CRC-32 in `crc`: 0, or -1 after the message of a read or write
// that failed (as minizip's read and the copy loop tell them).
int CopyStoredData(ExtractState& state, uint64_t offset, uint64_t size, const WString& path, uint32_t& crc) {
  zlib_filefunc_def& files = *state.files;
  if (files.zseek_file(files.opaque, state.direct, static_cast<uLong>(offset), ZLIB_FILEFUNC_SEEK_SET) != 0) {
    PrintNarrow("error %d with zipfile in unzReadCurrentFile\r\n", UNZ_ERRNO);
    return -1;
  }
  std::vector<uint8_t> pending;
  crc = 0;
  while (size > 0) {
    const size_t piece = static_cast<size_t>(std::min<uint64_t>(size, kFlushSize));
    pending.resize(piece);
    if (files.zread_file(files.opaque, state.direct, pending.data(), static_cast<uLong>(piece)) != piece) {
      PrintNarrow("error %d with zipfile in unzReadCurrentFile\r\n", UNZ_ERRNO);
      return -1;
    }
    crc = static_cast<uint32_t>(crc32_z(crc, pending.data(), piece));
    if (!FlushPending(path, pending)) return WriteFailed(state);
    size -= piece;
  }
  return 0;
}

// minizip never finds an end-of-central-directory record that starts at
// offset 0, so it cannot open an archive without entries. Such an archive
// (the record alone, with its comment) is recognised here, through the same
// file layer, and counts as opened with nothing in it.
bool IsEmptyArchive(zlib_filefunc_def& files, const std::string& path) {
  constexpr long kRecordSize = 22;
  voidpf stream =
      files.zopen_file(files.opaque, path.c_str(), ZLIB_FILEFUNC_MODE_READ | ZLIB_FILEFUNC_MODE_EXISTING);
  if (!stream) return false;
  std::vector<uint8_t> bytes;
  bool read = files.zseek_file(files.opaque, stream, 0, ZLIB_FILEFUNC_SEEK_END) == 0;
  const long size = read ? files.ztell_file(files.opaque, stream) : -1;
  read = read && size >= kRecordSize && size <= kRecordSize + 0xFFFF;
  if (read) {
    bytes.resize(static_cast<size_t>(size));
    read = files.zseek_file(files.opaque, stream, 0, ZLIB_FILEFUNC_SEEK_SET) == 0 &&
           files.zread_file(files.opaque, stream, bytes.data(), static_cast<uLong>(size)) == static_cast<uLong>(size);
  }
  files.zclose_file(files.opaque, stream);
  if (!read) return false;
  ByteReader reader(bytes);
  uint32_t signature = 0, directorySize = 0, directoryOffset = 0;
  uint16_t disk = 0, directoryDisk = 0, entriesHere = 0, entries = 0, commentLength = 0;
  return reader.U32(signature) && reader.U16(disk) && reader.U16(directoryDisk) && reader.U16(entriesHere) &&
         reader.U16(entries) && reader.U32(directorySize) && reader.U32(directoryOffset) &&
         reader.U16(commentLength) && signature == 0x06054B50 && disk == 0 && directoryDisk == 0 &&
         entriesHere == 0 && entries == 0 && directorySize == 0 && directoryOffset == 0 &&
         commentLength == reader.Remaining();
}

}  // namespace

namespace {

// The components of a stored name, "\" and "/" both separating; a doubled
// or a trailing separator gives an empty one.
std::vector<WStringView> EntryComponents(WStringView name) {
  std::vector<WStringView> components;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = start;
    while (end < name.size() && !IsEntrySeparator(name[end])) ++end;
    components.push_back(name.substr(start, end - start));
    start = end + 1;
  }
  return components;
}

// The file a stored name stands for wherever names are compared without
// letter case: its components without "." and empty ones, upper-cased and
// joined by "/" (so "a\X.lng", "A/./x.LNG" and "a//x.lng" are one file).
WString EntryFileKey(WStringView name) {
  WString key;
  for (WStringView component : EntryComponents(name)) {
    if (component.empty() || component == u".") continue;
    if (!key.empty()) key += u'/';
    key += NameToUpper(component);
  }
  return key;
}

}  // namespace

bool IsContainedEntryName(WStringView name) {
  if (!name.empty() && IsEntrySeparator(name[0])) return false;
  for (WStringView component : EntryComponents(name))
    if (!IsPortableComponent(component)) return false;
  return true;
}

bool ExtractArchive(const WString& archive, const WString& targetFolder, const ExtractLimits& limits,
                    int* writeError, bool* whole) {
  if (writeError) *writeError = 0;
  if (whole) *whole = false;
  if (archive.empty()) return false;
  zlib_filefunc_def files;
  fill_fopen_filefunc(&files);
  const std::string nativeArchive = NativePath(archive);
  // Only a regular file is opened: a FIFO or a device would block the run
  // or never end.
  unzFile zip = IsRegularFile(archive) ? unzOpen2(nativeArchive.c_str(), &files) : nullptr;
  if (!zip && !(IsRegularFile(archive) && IsEmptyArchive(files, nativeArchive))) {
    PrintNarrow("Cannot open %s or %s.zip\r\n", archive, archive);
    return false;
  }
  if (!ChangeDirectory(targetFolder)) {
    PrintNarrow("Error changing into %s, aborting\r\n", targetFolder);
    if (zip) unzClose(zip);
    return false;
  }
  if (zip) {
    ExtractState state;
    state.limits = limits;
    state.files = &files;
    state.direct =
        files.zopen_file(files.opaque, nativeArchive.c_str(), ZLIB_FILEFUNC_MODE_READ | ZLIB_FILEFUNC_MODE_EXISTING);
    if (state.direct && files.zseek_file(files.opaque, state.direct, 0, ZLIB_FILEFUNC_SEEK_END) == 0) {
      const long size = files.ztell_file(files.opaque, state.direct);
      state.archiveSize = size > 0 ? static_cast<uint64_t>(size) : 0;
    } else if (state.direct) {
      files.zclose_file(files.opaque, state.direct);
      state.direct = nullptr;
    }
    state.targetFolder = CurrentDirectory();
    const bool walked = ExtractAllEntries(zip, state);
    if (whole) *whole = walked;
    if (state.direct) files.zclose_file(files.opaque, state.direct);
    unzClose(zip);
    if (writeError) *writeError = state.writeError;
  } else if (whole) {
    *whole = true;  // an archive without entries
  }
  return true;
}

bool ExtractAllEntries(unzFile archive, ExtractState& state) {
  unz_global_info global;
  if (unzGetGlobalInfo(archive, &global) != UNZ_OK) return false;
  for (uLong i = 0; i < global.number_entry; ++i) {
    if (ExtractCurrentEntry(archive, state) != 0) return false;
    if (i + 1 < global.number_entry) {
      const int err = unzGoToNextFile(archive);
      if (err != UNZ_OK) {
        PrintNarrow("error %d with zipfile in unzGoToNextFile\r\n", err);
        return false;
      }
    }
  }
  return true;
}

namespace {

// The entry's bytes into its file; the file is taken away again when they
// do not all arrive. 0, or the code that ends the walk.
int ExtractEntryData(unzFile archive, const unz_file_info& info, const WString& name, const WString& path,
                     WString key, ExtractState& state) {
  int err = unzOpenCurrentFilePassword(archive, nullptr);
  if (err != UNZ_OK) {
    PrintNarrow("error %d with zipfile in unzOpenCurrentFilePassword\r\n", err);
    unzCloseCurrentFile(archive);
    return err;
  }
  if (!CreateOutputFile(name, path)) {
    // A full disk refuses every entry so: the walk goes on, and the pack
    // is not there whole.
    if (GetLastErrorCode() == kErrorDiskFull) state.writeError = kErrorDiskFull;
    PrintNarrow("error opening %s\r\n", name);
    err = unzCloseCurrentFile(archive);
    if (err != UNZ_OK) PrintNarrow("error %d with zipfile in unzCloseCurrentFile\r\n", err);
    return err;
  }
  state.partialFile = path;
  uint64_t offset = 0;
  uint32_t crc = 0;
  const bool direct = ReadsDirectly(archive, info, state, offset);
  const int copied = direct ? CopyStoredData(state, offset, info.uncompressed_size, path, crc)
                            : CopyEntryData(archive, name, path, state);
  if (copied != 0) {
    unzCloseCurrentFile(archive);
    DeleteFilePath(path);
    state.partialFile.clear();
    return copied > 0 ? 0 : copied;
  }
  err = unzCloseCurrentFile(archive);
  // minizip tests the checksum of data it read to the end itself.
  if (err == UNZ_OK && direct && crc != info.crc) err = UNZ_CRCERROR;
  if (err != UNZ_OK) {
    // A damaged entry (its checksum differs) is no language file either.
    PrintNarrow("error %d with zipfile in unzCloseCurrentFile\r\n", err);
    DeleteFilePath(path);
    state.partialFile.clear();
    return err;
  }
  state.partialFile.clear();
  state.written += info.uncompressed_size;
  state.extracted.insert(std::move(key));
  SetExtractedFileTime(path, static_cast<uint32_t>(info.dosDate));
  return UNZ_OK;
}

}  // namespace

int ExtractCurrentEntry(unzFile archive, ExtractState& state) {
  // Every buffer here is small and bounded, but the process may be short of
  // memory all the same: that ends the walk with the writer's message
  // instead of ending the run.
  try {
    unz_file_info info;
    WString name;
    int err = ReadEntryInfo(archive, info, name);
    if (err != UNZ_OK) {
      PrintNarrow("error %d with zipfile in unzGetCurrentFileInfo\r\n", err);
      return err;
    }
    const WString path = NativeEntryPath(name);
    if (!IsContainedEntryName(name) || !FitsPathLimits(state.targetFolder, path)) {
      PrintSkipped(name);
      return 0;
    }
    if (name.empty() || IsEntrySeparator(name.back())) {
      CreateFolder(path);  // a folder that exists already is fine
      return 0;
    }
    WString key = EntryFileKey(name);
    if (state.extracted.count(key) != 0) {
      PrintNarrow("skipping %s: an earlier entry has that name\r\n", name);
      return 0;
    }
    if (info.uncompressed_size > state.limits.entryBytes) {
      PrintTooLarge(name, state.limits.entryBytes);
      return 0;
    }
    if (info.uncompressed_size > state.limits.totalBytes - state.written) {
      PrintNarrow("skipping %s: the pack unpacks to more than %u MiB\r\n", name,
                  static_cast<unsigned>(state.limits.totalBytes >> 20));
      return 0;
    }
    return ExtractEntryData(archive, info, name, path, std::move(key), state);
  } catch (const std::bad_alloc&) {
    PrintNarrow("Error allocating memory\r\n");
    unzCloseCurrentFile(archive);
    if (!state.partialFile.empty()) DeleteFilePath(state.partialFile);
    state.partialFile.clear();
    return kAllocationFailed;
  }
}

bool MakeDirectoryPath(const WString& path) {
  if (path.empty()) return false;
  WString copy = path;
  if (copy.back() == u'/') copy.pop_back();
  if (CreateFolder(NativeEntryPath(copy))) return true;
  for (size_t i = 1; i <= copy.size(); ++i) {
    if (i < copy.size() && !IsEntrySeparator(copy[i])) continue;
    const WString prefix = copy.substr(0, i);
    // A missing parent (2), or a file in the parent's place (3), as Windows
    // reports both.
    if (!CreateFolder(NativeEntryPath(prefix)) && (GetLastErrorCode() == 2 || GetLastErrorCode() == 3)) {
      PrintNarrow("couldn't create directory %s\r\n", prefix);
      return false;
    }
  }
  return true;
}

void SetExtractedFileTime(const WString& path, uint32_t dosDate) { SetFileDosDateTime(path, dosDate); }
