#include "pack/extract.h"

#include <minizip/ioapi.h>

#include <string>
#include <vector>

#include "driver/console_output.h"
#include "platform/byte_reader.h"
#include "platform/files.h"
#include "platform/native_path.h"
#include "platform/paths.h"

namespace {

constexpr size_t kCopyBufferSize = 8192;
// Extracted bytes are collected and appended to the file in pieces of this
// size, so a large entry neither sits whole in memory nor costs one file
// open per 8 KiB read.
constexpr size_t kFlushSize = 1 << 20;
// General purpose flag bit 11: the entry's name is UTF-8.
constexpr unsigned long kUtf8NameFlag = 0x800;

bool IsEntrySeparator(char16_t c) { return c == u'/' || c == u'\\'; }

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

// The copy loop: 0, the negative read error, or -1 for a write error.
int CopyEntryData(unzFile archive, const WString& path) {
  std::vector<uint8_t> buffer(kCopyBufferSize);
  std::vector<uint8_t> pending;
  for (;;) {
    const int read = unzReadCurrentFile(archive, buffer.data(), static_cast<unsigned>(buffer.size()));
    if (read == 0) break;
    if (read < 0) {
      PrintNarrow("error %d with zipfile in unzReadCurrentFile\r\n", read);
      FlushPending(path, pending);  // what was read so far stays
      return read;
    }
    pending.insert(pending.end(), buffer.begin(), buffer.begin() + read);
    if (pending.size() >= kFlushSize && !FlushPending(path, pending)) {
      PrintNarrow("error in writing extracted file\r\n");
      return -1;
    }
  }
  if (!FlushPending(path, pending)) {
    PrintNarrow("error in writing extracted file\r\n");
    return -1;
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

bool IsContainedEntryName(WStringView name) {
  if (!name.empty() && IsEntrySeparator(name[0])) return false;
  if (name.size() >= 2 && name[1] == u':') return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = start;
    while (end < name.size() && !IsEntrySeparator(name[end])) ++end;
    if (name.substr(start, end - start) == u"..") return false;
    start = end + 1;
  }
  return true;
}

int ExtractArchive(const WString& archive, const WString& targetFolder) {
  if (archive.empty()) return 1;
  zlib_filefunc_def files;
  fill_fopen_filefunc(&files);
  const std::string nativeArchive = NativePath(archive);
  unzFile zip = unzOpen2(nativeArchive.c_str(), &files);
  if (!zip && !IsEmptyArchive(files, nativeArchive)) {
    PrintNarrow("Cannot open %s or %s.zip\r\n", archive, archive);
    return 1;
  }
  if (!ChangeDirectory(targetFolder)) {
    PrintNarrow("Error changing into %s, aborting\r\n", targetFolder);
    if (zip) unzClose(zip);
    return 1;
  }
  if (zip) {
    ExtractAllEntries(zip);
    unzClose(zip);
  }
  return 0;
}

int ExtractAllEntries(unzFile archive) {
  unz_global_info global;
  if (unzGetGlobalInfo(archive, &global) != UNZ_OK) return 0;
  for (uLong i = 0; i < global.number_entry; ++i) {
    if (ExtractCurrentEntry(archive) != 0) break;
    if (i + 1 < global.number_entry) {
      const int err = unzGoToNextFile(archive);
      if (err != UNZ_OK) {
        PrintNarrow("error %d with zipfile in unzGoToNextFile\r\n", err);
        break;
      }
    }
  }
  return 0;
}

int ExtractCurrentEntry(unzFile archive) {
  unz_file_info info;
  WString name;
  int err = ReadEntryInfo(archive, info, name);
  if (err != UNZ_OK) {
    PrintNarrow("error %d with zipfile in unzGetCurrentFileInfo\r\n", err);
    return err;
  }
  if (!IsContainedEntryName(name)) {
    PrintNarrow("skipping %s: its path leads outside the target folder\r\n", name);
    return 0;
  }
  const WString path = NativeEntryPath(name);
  if (name.empty() || IsEntrySeparator(name.back())) {
    CreateFolder(path);  // a folder that exists already is fine
    return 0;
  }

  err = unzOpenCurrentFilePassword(archive, nullptr);
  if (err != UNZ_OK) {
    PrintNarrow("error %d with zipfile in unzOpenCurrentFilePassword\r\n", err);
    unzCloseCurrentFile(archive);
    return err;
  }
  if (!CreateOutputFile(name, path)) {
    PrintNarrow("error opening %s\r\n", name);
    err = unzCloseCurrentFile(archive);
    if (err != UNZ_OK) PrintNarrow("error %d with zipfile in unzCloseCurrentFile\r\n", err);
    return err;
  }
  const int copied = CopyEntryData(archive, path);
  if (copied != 0) {
    unzCloseCurrentFile(archive);
    return copied;
  }
  SetExtractedFileTime(path, static_cast<uint32_t>(info.dosDate));
  err = unzCloseCurrentFile(archive);
  if (err != UNZ_OK) PrintNarrow("error %d with zipfile in unzCloseCurrentFile\r\n", err);
  return err;
}

int MakeDirectoryPath(const WString& path) {
  if (path.empty()) return 0;
  WString copy = path;
  if (copy.back() == u'/') copy.pop_back();
  if (CreateFolder(NativeEntryPath(copy))) return 1;
  for (size_t i = 1; i <= copy.size(); ++i) {
    if (i < copy.size() && !IsEntrySeparator(copy[i])) continue;
    const WString prefix = copy.substr(0, i);
    // A missing parent (2), or a file in the parent's place (3), as Windows
    // reports both.
    if (!CreateFolder(NativeEntryPath(prefix)) && (GetLastErrorCode() == 2 || GetLastErrorCode() == 3)) {
      PrintNarrow("couldn't create directory %s\r\n", prefix);
      return 0;
    }
  }
  return 1;
}

void SetExtractedFileTime(const WString& path, uint32_t dosDate) { SetFileDosDateTime(path, dosDate); }
