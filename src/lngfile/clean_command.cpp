#include <vector>

#include "driver/console_output.h"
#include "driver/flows.h"
#include "lngfile/resource_access.h"
#include "platform/error_codes.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace {

// The leftovers stripped from every language file, in removal order: the
// hash data, the resource editor's numeric resource and its design data.
struct Leftover {
  ResId type;
  ResId name;
  uint16_t language = 0;  // of the copy found, which is the one removed
};

std::vector<Leftover> Leftovers() {
  return {
      {ResId::Str(u"HASH"), ResId::Str(u"HASH")},
      {ResId::Int(255), ResId::Int(1)},
      {ResId::Str(u"DESIGNINFO"), ResId::Str(u"GUIDELINES")},
  };
}

// The leftovers the file holds, each with the language of the copy to
// remove: the first listed, as a probe of each would find it. False when
// the file cannot be read; a file read whole that is no module is no
// language file and holds none.
bool FindLeftovers(const WString& path, std::vector<Leftover>& found) {
  const ModulePtr module = LoadModuleAsData(path);
  if (!module) return GetLastErrorCode() == kErrorBadExeFormat;
  for (Leftover& leftover : Leftovers()) {
    uint16_t language = kLangUserDefault;
    ByteSpan data;
    if (FindResourceData(*module, leftover.type, leftover.name, &language, data, &leftover.language))
      found.push_back(leftover);
  }
  return true;
}

void ReportUnopened(const WString& path) {
  OutputMessage(u"Unable to open the lng file `%s' for cleanup [%d]\r\n", path, GetLastErrorCode());
}

// Removes every leftover of the file in one update and one commit, so a
// failure leaves the file as it was. A failed commit is told once for each
// leftover, as the removal of each would tell it. True when any was
// removed.
bool CleanLanguageFile(const WString& path) {
  std::vector<Leftover> found;
  if (!FindLeftovers(path, found)) {
    ReportUnopened(path);
    return false;
  }
  if (found.empty()) return false;
  ResourceUpdatePtr update = BeginResourceUpdate(path);
  if (!update) {
    ReportUnopened(path);
    return false;
  }
  for (const Leftover& leftover : found) DeleteResourceItem(*update, leftover.type, leftover.name, leftover.language);
  if (!CommitResourceUpdate(std::move(update))) {
    const int error = GetLastErrorCode();
    for (const Leftover& leftover : found)
      OutputMessage(u"Failed to remove the %s section from the file (%s) %d\r\n", ResIdText(leftover.type), path,
                    error);
    return false;
  }
  return true;
}

}  // namespace

void CleanCommand(const WString& folder) {
  OutputMessage(u"Attempting to cleanup the lng files in the passed folder...\r\n");
  int cleaned = 0;
  for (const DirEntry& entry : ListDirectory(folder, u"*.lng")) {
    if (entry.isDirectory) continue;
    const WString path = JoinPath(folder, entry.name);
    if (!PathExists(path) || !CleanLanguageFile(path)) continue;
    OutputMessage(u"Completed lng file cleanup (%s)\r\n", entry.name);
    ++cleaned;
  }
  if (cleaned > 0)
    OutputMessage(u"Completed lng file cleanup - %d file%s cleaned.\r\n", cleaned, cleaned == 1 ? u" was" : u"s were");
  else
    OutputMessage(u"Completed lng file cleanup - no files needed to be cleaned.\r\n");
}
