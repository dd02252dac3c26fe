// The form of a path that a library taking narrow file names (minizip's
// portable file layer) opens: the platform's own encoding. On POSIX that is
// UTF-8 with the raw bytes of non-UTF-8 names restored (see WideToNative).
// On Windows it is UTF-8 too: the Windows build of minizip opens its files
// through a UTF-8 aware _wfopen, never through the ANSI code page (a lone
// surrogate, which UTF-8 cannot hold, becomes U+FFFD there).
#pragma once

#include <string>

#include "text/text.h"

std::string NativePath(WStringView path);

// Whether this platform can create `relative` (a name below `folder`, its
// folders separated by kPathSep) inside `folder`: every component within
// the longest name a folder holds (255), the whole path within the longest
// one the platform opens (POSIX: PATH_MAX, 4096 bytes of the native form
// with the terminator; Windows: MAX_PATH, 260 UTF-16 units with it).
bool FitsPathLimits(WStringView folder, WStringView relative);
