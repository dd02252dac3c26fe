// POSIX path rules: '/' separates, a path is absolute when it starts with
// '/', names compare exactly, and a backslash is an ordinary file-name
// character.
#include "os/paths.h"

const char16_t kPathSep = u'/';

bool IsPathSeparator(char16_t c) { return c == u'/'; }

size_t PathRootLength(WStringView path) { return !path.empty() && path[0] == u'/' ? 1 : 0; }

bool IsAbsolutePath(WStringView path) { return PathRootLength(path) > 0; }

bool SamePathName(WStringView a, WStringView b) { return a == b; }

WString WithNativeSeparators(WStringView path) { return WString(path); }

WString CombinePath(WStringView base, WStringView path) {
  if (IsAbsolutePath(path)) return FoldDotComponents(path);
  if (path.empty()) return FoldDotComponents(base);
  return FoldDotComponents(JoinPath(base, path));
}
