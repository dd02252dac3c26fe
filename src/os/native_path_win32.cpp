#include "os/native_path.h"
#include "os/paths.h"

std::string NativePath(WStringView path) { return WideToUtf8(path); }

bool FitsPathLimits(WStringView folder, WStringView relative) {
  // Without the "\\?\" form, Windows opens no longer path (MAX_PATH).
  constexpr size_t kMaxComponent = 255, kMaxPath = 260;
  size_t length = 0;
  for (char16_t c : relative) {
    length = IsPathSeparator(c) ? 0 : length + 1;
    if (length > kMaxComponent) return false;
  }
  return folder.size() + 1 + relative.size() < kMaxPath;
}
