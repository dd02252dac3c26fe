#include "driver/cleanup.h"

#include <algorithm>
#include <vector>

#include "driver/console_output.h"
#include "driver/path_routines.h"
#include "os/files.h"
#include "os/paths.h"

namespace {

// The files that "folder/name" names on a file system that ignores letter
// case: the exact name first, then every other entry of `listing` equal to
// it under case folding (so a stale OLD.LNG goes like old.lng would) that is
// still there.
std::vector<WString> FilesNamed(const WString& folder, const std::vector<DirEntry>& listing, const WString& name) {
  std::vector<WString> paths;
  const WString exact = JoinPath(folder, name);
  if (PathExists(exact)) paths.push_back(exact);
  for (const auto& entry : listing)
    if (entry.name != name && EqualsNoCase(entry.name, name) &&
        PathExists(JoinPath(folder, entry.name)))
      paths.push_back(JoinPath(folder, entry.name));
  return paths;
}

// Deletes one file, retrying a read-only one once its attribute is
// cleared; false when that retry failed too.
bool DeleteStaleFile(const Messages& messages, const WString& path) {
  if (DeleteFilePath(path)) return true;
  const int error = GetLastErrorCode();
  OutputMessage(messages, u"DeleteFile failed: `%s' [%d]\r\n", path, error);
  if (error != 5 || !IsReadOnly(path)) return true;
  OutputMessage(messages, u"Read-only file. Attempting deletion again...");
  SetReadOnly(path, false);
  if (DeleteFilePath(path)) {
    OutputMessage(messages, u"  completed\r\n");
    return true;
  }
  OutputMessage(messages, u"  failed\r\n");
  return false;
}

// DeleteBuildOutputs over a listing of the folder made beforehand.
bool DeleteOutputsListed(const Messages& messages, const WString& folder, const std::vector<DirEntry>& listing,
                         const WString& stem, bool quiet) {
  if (!quiet) OutputMessage(messages, u"Starting working folder cleanup\r\n");
  bool failed = false;
  for (const char16_t* ext : {u"txt", u"lng"})
    for (const WString& path : FilesNamed(folder, listing, stem + u"." + ext))
      if (!DeleteStaleFile(messages, path)) failed = true;
  if (!quiet && !failed) OutputMessage(messages, u"Completed working folder cleanup\r\n");
  return !failed;
}

}  // namespace

bool DeleteBuildOutputs(const Messages& messages, const WString& folder, const WString& stem, bool quiet) {
  return DeleteOutputsListed(messages, folder, ListDirectory(folder, u"*"), stem, quiet);
}

void CleanWorkingFolder(const Messages& messages, const WString& folder) {
  const WString target = IsDirectory(folder) ? folder : JoinPath(GetModuleFolder(), folder);
  RemoveLeftoverWorkingFiles(target, {u".lng", u".txt", u".lgp", u".zip"});
  // One listing serves every stem: listing the folder again for each of its
  // files would make a large output folder slow to clean.
  const std::vector<DirEntry> listing = ListDirectory(target, u"*.*");
  for (const auto& entry : listing) {
    if (entry.isDirectory) continue;
    DeleteOutputsListed(messages, target, listing, RemoveExtension(entry.name), true);
  }
}

void RemoveLeftoverWorkingFiles(const WString& folder, std::initializer_list<WStringView> extensions) {
  for (const DirEntry& entry : ListDirectory(folder, u"*.tmp")) {
    if (entry.isDirectory || entry.isLink) continue;
    const WString extension = FindExtension(WorkingFileStem(entry.name));
    if (std::any_of(extensions.begin(), extensions.end(),
                    [&](WStringView kept) { return EqualsNoCase(extension, kept); }))
      DeleteFilePath(JoinPath(folder, entry.name));
  }
}
