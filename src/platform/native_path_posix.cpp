#include "platform/native_path.h"

std::string NativePath(WStringView path) { return WideToNative(path); }
