// Zip extraction into a scratch folder: nothing may land outside it.
#include <cstdlib>

#include "fuzz_support.h"
#include "pack/extract.h"
#include "os/files.h"
#include "os/paths.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ClearScratch();
  const WString archive = WriteScratchFile(u"a.lgp", data, size);
  const WString target = JoinPath(ScratchFolder(), u"out");
  CreateFolder(target);
  const WString start = CurrentDirectory();
  ExtractArchive(archive, target);
  ChangeDirectory(start);
  // The scratch folder holds the archive and the target folder, nothing else.
  for (const auto& e : ListDirectory(ScratchFolder(), u"*.*"))
    if (e.name != u"a.lgp" && e.name != u"out") std::abort();
  return 0;
}
