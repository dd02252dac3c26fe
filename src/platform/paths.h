// Lexical path operations (the shlwapi functions the tool uses), on the
// platform's separator: '/' on POSIX, '\' on Windows.
#pragma once

#include "platform/text.h"

extern const char16_t kPathSep;

bool IsPathSeparator(char16_t c);
bool IsAbsolutePath(WStringView path);
// "%s\%s": joins with one separator.
WString JoinPath(WStringView folder, WStringView name);
// PathCombineW: `path` made absolute against `base` unless it is absolute,
// with "." and ".." components folded lexically.
WString CombinePath(WStringView base, WStringView path);
WString FoldDotComponents(WStringView path);
// PathStripPathW / PathRemoveFileSpecW.
WString LastComponent(WStringView path);
WString ParentFolder(WStringView path);
// PathFindExtensionW: from the last '.' of the last component, or empty.
WString FindExtension(WStringView path);
// PathRemoveExtensionW.
WString RemoveExtension(WStringView path);
// PathRelativePathToW between two folders/files; false when they share no root.
bool RelativePath(WStringView fromFolder, WStringView to, WString& out);
