// The form of a path that a library taking narrow file names (minizip's
// portable file layer) opens: the platform's own encoding, UTF-8 on POSIX
// (with the raw bytes of non-UTF-8 names restored, see WideToNative).
#pragma once

#include <string>

#include "platform/text.h"

std::string NativePath(WStringView path);
