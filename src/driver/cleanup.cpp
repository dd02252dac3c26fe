#include "driver/cleanup.h"

#include "driver/console_output.h"
#include "driver/path_routines.h"
#include "platform/files.h"
#include "platform/paths.h"

bool DeleteBuildOutputs(const WString& folder, const WString& stem, bool quiet) {
  if (!quiet) OutputMessage(u"Starting working folder cleanup\r\n");
  bool failed = false;
  for (const char16_t* ext : {u"txt", u"lng"}) {
    const WString path = JoinPath(folder, stem + u"." + ext);
    if (!PathExists(path) || DeleteFilePath(path)) continue;
    const int error = GetLastErrorCode();
    OutputMessage(u"DeleteFile failed: `%s' [%d]\r\n", path, error);
    if (error == 5 && IsReadOnly(path)) {
      OutputMessage(u"Read-only file. Attempting deletion again...");
      SetReadOnly(path, false);
      if (DeleteFilePath(path)) {
        OutputMessage(u"  completed\r\n");
      } else {
        OutputMessage(u"  failed\r\n");
        failed = true;
      }
    }
  }
  if (!quiet && !failed) OutputMessage(u"Completed working folder cleanup\r\n");
  return !failed;
}

void CleanWorkingFolder(const WString& folder) {
  const WString target = IsDirectory(folder) ? folder : JoinPath(GetModuleFolder(), folder);
  for (const auto& entry : ListDirectory(target, u"*.*")) {
    if (entry.isDirectory) continue;
    DeleteBuildOutputs(target, RemoveExtension(entry.name), true);
  }
}
