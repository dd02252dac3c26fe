#include <vector>

#include "driver/cleanup.h"
#include "driver/console_output.h"
#include "driver/environment.h"
#include "driver/flows.h"
#include "driver/ordered_workers.h"
#include "lngfile/resource_access.h"
#include "os/error_codes.h"
#include "os/files.h"
#include "os/paths.h"

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

// What cleaning one file came to; told by the thread that prints.
struct CleanOutcome {
  enum class Kind { Untouched, Cleaned, Unopened, BeginFailed, CommitFailed } kind = Kind::Untouched;
  int error = 0;                // the Windows error of an unreadable file or a failed commit
  std::vector<ResId> types;     // the leftovers a failed commit did not remove
};

// Removes every leftover of the file in one update and one commit, so a
// failure leaves the file as it was.
CleanOutcome CleanLanguageFile(const WString& path) {
  CleanOutcome outcome;
  std::vector<Leftover> found;
  if (!PathExists(path)) return outcome;
  if (!FindLeftovers(path, found)) {
    outcome.kind = CleanOutcome::Kind::Unopened;
    outcome.error = GetLastErrorCode();
    return outcome;
  }
  if (found.empty()) return outcome;
  // A file the update cannot start on (read-only, or a resource directory
  // that cannot be read whole) is passed over, untouched, and named.
  ResourceUpdatePtr update = BeginResourceUpdate(path);
  if (!update) {
    outcome.kind = CleanOutcome::Kind::BeginFailed;
    return outcome;
  }
  for (const Leftover& leftover : found) DeleteResourceItem(*update, leftover.type, leftover.name, leftover.language);
  if (!CommitResourceUpdate(std::move(update))) {
    outcome.kind = CleanOutcome::Kind::CommitFailed;
    outcome.error = GetLastErrorCode();
    for (const Leftover& leftover : found) outcome.types.push_back(leftover.type);
    return outcome;
  }
  outcome.kind = CleanOutcome::Kind::Cleaned;
  return outcome;
}

// A failed commit is told once for each leftover, as the removal of each
// on its own would tell it; an update that cannot begin as /clear tells
// it. True when the file was cleaned.
bool ReportCleanOutcome(const Messages& messages, const WString& path, const WString& name,
                        const CleanOutcome& outcome) {
  switch (outcome.kind) {
    case CleanOutcome::Kind::Untouched: return false;
    case CleanOutcome::Kind::Unopened:
      OutputMessage(messages, u"Unable to open the lng file `%s' for cleanup [%d]\r\n", path, outcome.error);
      return false;
    case CleanOutcome::Kind::BeginFailed:
      OutputMessage(messages, u"Unable to start the resource update process (%s)\r\n", path);
      return false;
    case CleanOutcome::Kind::CommitFailed:
      for (const ResId& type : outcome.types)
        OutputMessage(messages, u"Failed to remove the %s section from the file (%s) %d\r\n", ResIdText(type), path,
                      outcome.error);
      return false;
    case CleanOutcome::Kind::Cleaned:
      OutputMessage(messages, u"Completed lng file cleanup (%s)\r\n", name);
      return true;
  }
  return false;
}

}  // namespace

void CleanCommand(const Messages& messages, const WString& folder) {
  OutputMessage(messages, u"Attempting to cleanup the lng files in the passed folder...\r\n");
  // Each file's new copy is written under a working name beside it and
  // renamed over it; the copies of a run killed meanwhile go here. Only a
  // run that holds the folder's lock removes them, and it holds it to the
  // end, so no live run's copy is ever taken away. A folder another run
  // holds is cleaned all the same.
  const FolderLockPtr lock = LockFolder(folder, 0);
  if (lock) RemoveLeftoverWorkingFiles(folder, {u".lng"});
  std::vector<WString> paths, names;
  for (const DirEntry& entry : ListDirectory(folder, u"*.lng")) {
    if (entry.isDirectory) continue;
    // A file's cleaned copy replaces it: through a link, that would put a
    // file in the link's place (or change a file outside the folder), so a
    // link is named and passed over.
    if (entry.isLink) {
      OutputMessage(messages, u"Skipping the link `%s'\r\n", JoinPath(folder, entry.name));
      continue;
    }
    paths.push_back(JoinPath(folder, entry.name));
    names.push_back(entry.name);
  }
  // Most of a file's time is the wait for its new copy to reach the disk,
  // and the file system writes the copies of several files together: twice
  // as many workers as build workers keep the disk busy. The outcomes are
  // told in list order, so the output is the same as one worker's.
  int cleaned = 0;
  bool failed = false;
  RunInOrder(
      paths.size(), 2 * BuildWorkerCount(), [&](size_t i) { return CleanLanguageFile(paths[i]); },
      [&](size_t i, const CleanOutcome& outcome) {
        if (ReportCleanOutcome(messages, paths[i], names[i], outcome)) ++cleaned;
        else if (outcome.kind != CleanOutcome::Kind::Untouched) failed = true;
      });
  // A file that needed cleaning and was not cleaned is counted out loud:
  // none of them was cleaned, not that none needed it.
  if (cleaned > 0 || failed)
    OutputMessage(messages, u"Completed lng file cleanup - %d file%s cleaned.\r\n", cleaned,
                  cleaned == 1 ? u" was" : u"s were");
  else
    OutputMessage(messages, u"Completed lng file cleanup - no files needed to be cleaned.\r\n");
}
