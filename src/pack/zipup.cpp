// /zipup: a folder of ready language files (and, with /enum, its extra
// folders) into a pack. Every entry is stored.
#include "driver/console_output.h"
#include "driver/flows.h"
#include "driver/path_routines.h"
#include "pack/zip_writer.h"
#include "os/files.h"
#include "os/paths.h"

namespace {

struct ExtraFolder {
  const char16_t* name;
  const char16_t* pattern;
  bool namesFromParent;  // entries keep the folder's own name (freeform\...)
};

// The extra folders of a zip-up folder, in the order they are added.
const ExtraFolder kZipupExtras[] = {
    {u"dll", u"*.dll", false},   {u"freeform", u"*.*", true}, {u"docs", u"*.txt", false},
    {u"docs", u"atf.htm", false}, {u"ini", u"*.ini", false},   {u"extralng", u"*.lng", false},
};

}  // namespace

void ZipupCommand(const Messages& messages, const WString& folder, Cursor tail) {
  const Cursor nameToken = SkipSpaces(tail);
  WString pack = CopyToken(nameToken);
  if (!IsDirectory(folder)) {
    OutputMessage(messages, pack.empty() ? u"No name passed for lgp to be created, aborting.\r\n"
                                         : u"Filepath passed instead of a directory, aborting.\r\n");
    return;
  }
  if (pack.empty()) {
    OutputMessage(messages, u"No name passed for lgp to be created, aborting.\r\n");
    return;
  }
  ResolvePath(pack, ResolveMode::Quiet);
  if (!EqualsNoCase(FindExtension(pack), u".lgp")) {
    OutputMessage(messages, u"Unable to continue, the passed lgp name is invalid. Aborting.\r\n");
    return;
  }

  OutputMessage(messages, u"Attemping to build a lgp from the passed folder: `%s'\r\n", folder);
  ZipSession session(pack);
  ZipAddFolder(session, folder, folder, u"*.lng", false);
  // An older pack of that name counts as there: with nothing new, the extra
  // folders alone replace it.
  if ((!session.working.empty() || PathExists(pack)) && MatchWord(NextToken(nameToken), u"/enum")) {
    OutputMessage(messages, u"Enumerating additional folders (as applicable)...\r\n");
    for (const ExtraFolder& extra : kZipupExtras) {
      const WString path = FindNameNoCase(folder, extra.name);
      ZipAddFolder(session, path, extra.namesFromParent ? folder : path, extra.pattern, false);
    }
  }
  // A file that could not be zipped is left out with the writer's message
  // and the pack is made all the same; a pack that could not be written
  // whole replaces nothing, and the run does not call itself complete.
  if (ZipFinish(session) == ZipResult::Failed) return;
  OutputMessage(messages, u"Completed creating `%s' from the passed folder.\r\n", pack);
}
