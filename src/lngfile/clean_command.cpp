#include <vector>

#include "driver/console_output.h"
#include "driver/flows.h"
#include "lngfile/resource_access.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace {

// The leftovers stripped from every language file, in removal order: the
// hash data, the resource editor's numeric resource and its design data.
struct Leftover {
  ResId type;
  ResId name;
};

const std::vector<Leftover>& Leftovers() {
  static const std::vector<Leftover> list = {
      {ResId::Str(u"HASH"), ResId::Str(u"HASH")},
      {ResId::Int(255), ResId::Int(1)},
      {ResId::Str(u"DESIGNINFO"), ResId::Str(u"GUIDELINES")},
  };
  return list;
}

// Each removal is its own probe and its own update; true when any removed
// something.
bool CleanLanguageFile(const WString& path) {
  bool removed = false;
  for (const Leftover& leftover : Leftovers())
    if (RemoveResource(path, leftover.type, leftover.name)) removed = true;
  return removed;
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
