#include "platform/native_path.h"

std::string NativePath(WStringView path) { return WideToUtf8(path); }
