#include "pack/zip_writer.h"

#include <algorithm>
#include <optional>
#include <string>

#include "driver/console_output.h"
#include "os/files.h"
#include "os/native_path.h"
#include "os/paths.h"

namespace {

// A message of the session: on the console, or held while the session is
// written on a thread of its own.
template <class... Args>
void SessionMessage(const ZipSession& session, std::string_view format, const Args&... args) {
  if (session.held)
    session.held->HoldNarrow(FormatNarrow(format, args...));
  else
    PrintNarrow(format, args...);
}

// Bytes handed to the library per write.
constexpr size_t kCopyChunk = 16384;
// Folder trees deeper than this are not descended further (links to folders
// are never entered, so this only bounds the recursion).
constexpr int kMaxFolderDepth = 64;

// The entry name of a file: its path relative to `nameBase` without the
// leading ".\", with "\" between folders whatever the platform's separator
// (the packs' own format). Empty when the two paths share no root.
WString RelativeEntryName(const WString& nameBase, const WString& fullPath) {
  WString name;
  if (!RelativePath(nameBase, fullPath, name)) return WString();
  if (!name.empty() && name[0] == u'.') {
    size_t skip = 0;
    while (skip < name.size() && name[skip] == u'.') ++skip;
    if (skip < name.size() && IsPathSeparator(name[skip])) ++skip;
    name.erase(0, skip);
  }
  std::replace(name.begin(), name.end(), kPathSep, u'\\');
  return name;
}

// The library's deflate parameters for an entry opened at a level: a raw
// stream with the full window and the default memory level and strategy.
constexpr int kDeflateLevel = 9;
constexpr int kWindowBits = -MAX_WBITS;
constexpr int kMemLevel = 8;

// Opens the archive for its first entry: the working file is created and
// the library starts a new archive in it. Tried again at every entry until
// it succeeds.
bool OpenArchive(ZipSession& session) {
  if (session.zip) return true;
  session.working = CreateUniqueFile(session.archive);
  if (session.working.empty()) return false;
  zlib_filefunc_def io;
  fill_fopen_filefunc(&io);
  session.zip = zipOpen2(NativePath(session.working).c_str(), APPEND_STATUS_CREATE, nullptr, &io);
  if (session.zip) return true;
  DeleteFilePath(session.working);
  session.working.clear();
  return false;
}

// The bytes into the open entry. False after the failure's message.
bool WriteIntoEntry(ZipSession& session, std::span<const uint8_t> bytes, const WString& source) {
  for (size_t offset = 0; offset < bytes.size(); offset += kCopyChunk) {
    const size_t count = std::min(kCopyChunk, bytes.size() - offset);
    if (zipWriteInFileInZip(session.zip, bytes.data() + offset, static_cast<unsigned>(count)) < 0) {
      SessionMessage(session, "error in writing %s in the zipfile\r\n", source);
      session.damaged = true;
      return false;
    }
  }
  return true;
}

// One entry: its bytes from memory, or read from `source` when there are
// none; its time that of `source`, which names the entry in messages.
void AddEntry(ZipSession& session, bool compress, const std::string& name,
              std::optional<std::span<const uint8_t>> bytes, const WString& source,
              const DeflatedEntry* deflated = nullptr) {
  // After a failed write the archive is lost: its first failure has been
  // told, and nothing more is written into it.
  if (session.damaged) return;
  if (!OpenArchive(session)) {
    SessionMessage(session, "error opening %s\r\n", session.archive);
    session.openFailed = true;
  }
  // A zero dosDate makes the library take the (zero) calendar fields.
  uint32_t dosDate = 0;
  if (!GetDosFileTime(source, dosDate)) {
    SessionMessage(session, "warning - unable to obtain file time for %s\r\n", source);
    dosDate = 0;
  }
  zip_fileinfo info = {};
  info.dosDate = dosDate;
  // Data deflated ahead goes in raw; the library would have marked text
  // data as text at the close, so that is given here.
  const bool raw = compress && deflated;
  if (raw) info.internal_fa = deflated->text ? 1 : 0;
  const int opened =
      session.zip ? zipOpenNewFileInZip2(session.zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                         compress ? Z_DEFLATED : 0, compress ? kDeflateLevel : 0, raw ? 1 : 0)
                  : ZIP_PARAMERROR;
  if (opened != ZIP_OK) {
    SessionMessage(session, "error in opening %s in zipfile (%d)\r\n", source, opened);
    session.skipped = true;
    // With no archive there is none to close: the close fails, as each
    // entry's did when every entry opened the archive anew.
    if (!session.zip) SessionMessage(session, "error in closing %s\r\n", session.archive);
    return;
  }
  if (raw) {
    if (!WriteIntoEntry(session, deflated->data, source)) return;
    ++session.entryCount;
    if (zipCloseFileInZipRaw(session.zip, static_cast<uLong>(deflated->size), deflated->crc) != ZIP_OK) {
      SessionMessage(session, "error in closing %s in the zipfile\r\n", source);
      session.damaged = true;
    }
    return;
  }
  if (!bytes) {
    if (!ReadWholeFile(source, session.readBuffer)) {
      // The entry stays open and empty; the next entry or the archive's
      // close ends it.
      SessionMessage(session, "error in opening %s for reading\r\n", source);
      session.skipped = true;
      return;
    }
    bytes = session.readBuffer;
  }
  if (!WriteIntoEntry(session, *bytes, source)) return;
  ++session.entryCount;
  if (zipCloseFileInZip(session.zip) != ZIP_OK) {
    SessionMessage(session, "error in closing %s in the zipfile\r\n", source);
    session.damaged = true;
  }
}

// A file's entry under `name`, or under the file's own name when `name` is
// empty (the walk gives none when the paths share no root).
void AddNamedFile(ZipSession& session, bool compress, const WString& file, std::string name,
                  std::optional<std::span<const uint8_t>> bytes, const DeflatedEntry* deflated = nullptr) {
  if (name.empty()) {
    const size_t cut = file.find_last_of(u"\\/");
    bool lossy = false;
    name = WideToAnsi(cut == WString::npos ? WStringView(file) : WStringView(file).substr(cut + 1), &lossy);
    if (lossy) {
      SessionMessage(session, "error in opening %s for reading\r\n", file);
      session.skipped = true;
      return;
    }
  }
  AddEntry(session, compress, name, bytes, file, deflated);
}

// Whether the file is the archive this session writes: its working file,
// or the file of its name that it is to replace (through any name or link).
bool IsOwnArchive(const ZipSession& session, const WString& path) {
  return (!session.working.empty() && SameFile(path, session.working)) || SameFile(path, session.archive);
}

void AddFolder(ZipSession& session, const WString& folder, const WString& nameBase, const WString& pattern,
               bool compress, const ZipFileContents* contents, const ZipDeflatedContents* deflated,
               const ZipAdmit& admit, int depth) {
  const WString filter = pattern.empty() ? WString(u"*.*") : pattern;
  for (const DirEntry& entry : ListDirectory(folder, filter)) {
    const WString fullPath = JoinPath(folder, entry.name);
    if (entry.isDirectory) {
      if (depth < kMaxFolderDepth)
        AddFolder(session, fullPath, nameBase, pattern, compress, contents, deflated, admit, depth + 1);
      continue;
    }
    // A link to a folder may lead anywhere (out of the folder, back up into
    // it): only what is inside the folder is walked. A link to a file is
    // read as the file, as zip takes it.
    if (entry.linksToFolder) {
      SessionMessage(session, "skipping %s: a link to a folder is not entered\r\n", fullPath);
      session.skipped = true;
      continue;
    }
    if (admit && !admit(fullPath)) continue;
    const DeflatedEntry* ahead = nullptr;
    if (compress && deflated) {
      const auto found = deflated->find(fullPath);
      if (found != deflated->end()) ahead = &found->second;
    }
    std::optional<std::span<const uint8_t>> bytes;
    if (contents && !ahead) {
      const auto found = contents->find(fullPath);
      if (found != contents->end()) bytes = found->second;
    }
    // A file the caller holds is none of the archive's; one read from disk
    // may be the archive itself, when the walk passes through its folder.
    if (!ahead && !bytes && IsOwnArchive(session, fullPath)) continue;
    // A name that Windows-1252 cannot hold cannot be stored: refused before
    // the archive is touched.
    bool lossy = false;
    const std::string name = WideToAnsi(RelativeEntryName(nameBase, fullPath), &lossy);
    if (lossy) {
      SessionMessage(session, "error in opening %s for reading\r\n", fullPath);
      session.skipped = true;
      continue;
    }
    AddNamedFile(session, compress, fullPath, name, bytes, ahead);
  }
}

}  // namespace

ZipSession::~ZipSession() { ZipAbandon(*this); }

void ZipAddFolder(ZipSession& session, const WString& folder, const WString& nameBase, const WString& pattern,
                  bool compress, const ZipFileContents* contents, const ZipDeflatedContents* deflated,
                  const ZipAdmit& admit) {
  AddFolder(session, folder, nameBase, pattern, compress, contents, deflated, admit, 0);
}

DeflatedEntry DeflateForZip(std::span<const uint8_t> bytes, bool& ok) {
  DeflatedEntry entry;
  entry.size = bytes.size();
  entry.crc = static_cast<uint32_t>(crc32_z(0, bytes.data(), bytes.size()));
  z_stream stream = {};
  stream.data_type = Z_BINARY;
  ok = deflateInit2(&stream, kDeflateLevel, Z_DEFLATED, kWindowBits, kMemLevel, Z_DEFAULT_STRATEGY) == Z_OK;
  if (!ok) return entry;
  entry.data.resize(deflateBound(&stream, static_cast<uLong>(bytes.size())));
  stream.next_out = entry.data.data();
  stream.avail_out = static_cast<uInt>(entry.data.size());
  // The pieces the writer hands the library (WriteIntoEntry), then the
  // finish, as the library's own write and close do.
  for (size_t offset = 0; ok && offset < bytes.size(); offset += kCopyChunk) {
    stream.next_in = const_cast<Bytef*>(bytes.data() + offset);
    stream.avail_in = static_cast<uInt>(std::min(kCopyChunk, bytes.size() - offset));
    while (ok && stream.avail_in > 0) ok = deflate(&stream, Z_NO_FLUSH) == Z_OK;
  }
  int finished = Z_OK;
  while (ok && finished == Z_OK) {
    finished = deflate(&stream, Z_FINISH);
    ok = finished == Z_OK || finished == Z_STREAM_END;
    // The bound leaves room for the whole stream: running out is a failure.
    if (finished == Z_OK && stream.avail_out == 0) ok = false;
  }
  entry.text = stream.data_type == Z_TEXT;
  entry.data.resize(stream.total_out);
  deflateEnd(&stream);
  return entry;
}

ZipResult ZipClose(ZipSession& session) {
  if (session.zip) {
    if (zipClose(session.zip, nullptr) != ZIP_OK) {
      SessionMessage(session, "error in closing %s\r\n", session.archive);
      session.damaged = true;
    }
    session.zip = nullptr;
  }
  if (session.working.empty()) return session.openFailed ? ZipResult::Failed : ZipResult::NoEntries;
  if (!ZipSound(session)) {
    DeleteFilePath(session.working);
    session.working.clear();
    return ZipResult::Failed;
  }
  return ZipResult::Written;
}

bool ZipPublish(ZipSession& session) {
  if (session.working.empty()) return false;
  const bool moved = MoveFileReplacing(session.working, session.archive, PathExists(session.archive));
  if (!moved) {
    SessionMessage(session, "error in closing %s\r\n", session.archive);
    DeleteFilePath(session.working);
  }
  session.working.clear();
  return moved;
}

ZipResult ZipFinish(ZipSession& session) {
  const ZipResult result = ZipClose(session);
  if (result != ZipResult::Written) return result;
  return ZipPublish(session) ? ZipResult::Written : ZipResult::Failed;
}

void ZipAbandon(ZipSession& session) {
  if (session.zip) zipClose(session.zip, nullptr);
  session.zip = nullptr;
  if (!session.working.empty()) DeleteFilePath(session.working);
  session.working.clear();
}

bool GetDosFileTime(const WString& path, uint32_t& dosDateOut) {
  uint32_t value = 0;
  if (!FileDosDateTime(path, value)) return false;
  dosDateOut = value;
  return true;
}
