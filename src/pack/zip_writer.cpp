#include "pack/zip_writer.h"

#include <minizip/zip.h>

#include <algorithm>
#include <string>
#include <vector>

#include "driver/console_output.h"
#include "platform/files.h"
#include "platform/native_path.h"
#include "platform/paths.h"

WString g_zipArchiveName;
int g_zipEntryCount = 0;
bool g_zipDamaged = false;

namespace {

// Bytes handed to the library per write.
constexpr size_t kCopyChunk = 16384;
// Folder trees deeper than this are not descended further (a link that
// points back up would otherwise never end the walk).
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

void AddFolder(const WString& folder, const WString& archive, const WString& nameBase, const WString& pattern,
               bool compress, int depth) {
  const WString filter = pattern.empty() ? WString(u"*.*") : pattern;
  for (const DirEntry& entry : ListDirectory(folder, filter)) {
    const WString fullPath = JoinPath(folder, entry.name);
    if (entry.isDirectory) {
      if (depth < kMaxFolderDepth) AddFolder(fullPath, archive, nameBase, pattern, compress, depth + 1);
      continue;
    }
    // A name that Windows-1252 cannot hold cannot be stored: refused before
    // the archive is touched.
    bool lossy = false;
    const std::string name = WideToAnsi(RelativeEntryName(nameBase, fullPath), &lossy);
    if (lossy) {
      PrintNarrow("error in opening %s for reading\r\n", fullPath);
      continue;
    }
    ZipAddFile(compress, archive, fullPath, g_zipEntryCount, name);
  }
}

// The source file's bytes into the open entry. False after a failure's message.
bool CopyIntoEntry(zipFile zip, const WString& file) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(file, bytes)) {
    PrintNarrow("error in opening %s for reading\r\n", file);
    return false;
  }
  for (size_t offset = 0; offset < bytes.size(); offset += kCopyChunk) {
    const size_t count = std::min(kCopyChunk, bytes.size() - offset);
    if (zipWriteInFileInZip(zip, bytes.data() + offset, static_cast<unsigned>(count)) < 0) {
      PrintNarrow("error in writing %s in the zipfile\r\n", file);
      g_zipDamaged = true;
      return false;
    }
  }
  return true;
}

}  // namespace

void ZipAddFolder(const WString& folder, const WString& archive, const WString& nameBase, const WString& pattern,
                  bool compress) {
  if (g_zipArchiveName.empty() || CompareNoCase(g_zipArchiveName, archive) != 0) {
    g_zipArchiveName = archive;
    g_zipEntryCount = 0;
    g_zipDamaged = false;
  }
  AddFolder(folder, archive, nameBase, pattern, compress, 0);
}

int ZipAddFile(bool compress, const WString& archive, const WString& file, int append, std::string_view name) {
  if (append == 0) g_zipEntryCount = 0, g_zipDamaged = false;

  std::string entryName(name);
  if (entryName.empty()) {
    const size_t cut = file.find_last_of(u"\\/");
    bool lossy = false;
    entryName = WideToAnsi(cut == WString::npos ? WStringView(file) : WStringView(file).substr(cut + 1), &lossy);
    if (lossy) {
      PrintNarrow("error in opening %s for reading\r\n", file);
      return 0;
    }
  }

  // Mode 0 creates the archive (replacing a file of that name), mode 2 adds
  // to the archive that is there.
  zlib_filefunc_def io;
  fill_fopen_filefunc(&io);
  const std::string archivePath = NativePath(archive);
  zipFile zip = zipOpen2(archivePath.c_str(), append ? APPEND_STATUS_ADDINZIP : APPEND_STATUS_CREATE, nullptr, &io);
  if (!zip) {
    PrintNarrow("error opening %s\r\n", archive);
    // An archive that is there but cannot be opened again is no longer whole.
    g_zipDamaged = g_zipDamaged || append != 0;
  }

  // A zero dosDate makes the library take the (zero) calendar fields.
  zip_fileinfo info = {};
  uint32_t dosDate = 0;
  if (!GetDosFileTime(file, dosDate)) {
    PrintNarrow("warning - unable to obtain file time for %s\r\n", file);
    dosDate = 0;
  }
  info.dosDate = dosDate;

  const int opened = zip ? zipOpenNewFileInZip(zip, entryName.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                               compress ? Z_DEFLATED : 0, compress ? 9 : 0)
                         : ZIP_PARAMERROR;
  if (opened != ZIP_OK) {
    PrintNarrow("error in opening %s in zipfile (%d)\r\n", file, opened);
  } else if (CopyIntoEntry(zip, file)) {
    ++g_zipEntryCount;
    if (zipCloseFileInZip(zip) != ZIP_OK) {
      PrintNarrow("error in closing %s in the zipfile\r\n", file);
      g_zipDamaged = true;
    }
  }
  // Closing the archive also closes an entry left open by a failed copy,
  // with the bytes written so far.
  if (zipClose(zip, nullptr) != ZIP_OK) {
    PrintNarrow("error in closing %s\r\n", archive);
    g_zipDamaged = g_zipDamaged || zip != nullptr;
  }
  return 0;
}

WString StartWorkingArchive(const WString& archive) {
  const WString working = archive + u".partial";
  DeleteFilePath(working);
  return working;
}

bool FinishWorkingArchive(const WString& working, const WString& archive) {
  if (!g_zipDamaged) {
    if (MoveFileReplacing(working, archive)) return true;
    PrintNarrow("error in closing %s\r\n", archive);
  }
  DeleteFilePath(working);
  return false;
}

int GetDosFileTime(const WString& path, uint32_t& dosDateOut) {
  uint32_t value = 0;
  if (!FileDosDateTime(path, value)) return 0;
  dosDateOut = value;
  return 1;
}
