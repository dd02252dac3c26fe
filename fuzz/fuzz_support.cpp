#include "fuzz_support.h"

#include "os/files.h"
#include "os/paths.h"

const WString& ScratchFolder() {
  static WString folder = [] {
    WString f = TempFolder() + u"psfuzz-" + NewUuidString();
    CreateFolder(f);
    return f;
  }();
  return folder;
}

WString WriteScratchFile(const char16_t* name, const uint8_t* data, size_t size) {
  const WString path = JoinPath(ScratchFolder(), name);
  // Written as a new file: overwriting one would go through a synced
  // replacement on every input.
  SetReadOnly(path, false);
  DeleteFilePath(path);
  WriteFileBytes(path, std::span<const uint8_t>(data, size), false);
  return path;
}

void ClearScratch() {
  for (const auto& e : ListDirectory(ScratchFolder(), u"*.*")) DeleteTree(JoinPath(ScratchFolder(), e.name));
}

void RemoveScratch() { DeleteTree(ScratchFolder()); }
