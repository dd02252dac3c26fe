#include "os/native_path.h"

std::string NativePath(WStringView path) { return WideToNative(path); }

bool FitsPathLimits(WStringView folder, WStringView relative) {
  constexpr size_t kMaxComponent = 255, kMaxPath = 4096;
  const std::string native = NativePath(relative);
  size_t start = 0;
  while (start <= native.size()) {
    size_t end = native.find('/', start);
    if (end == std::string::npos) end = native.size();
    if (end - start > kMaxComponent) return false;
    start = end + 1;
  }
  return NativePath(folder).size() + 1 + native.size() < kMaxPath;
}
