// Lexical path operations (the shlwapi functions the tool uses), on the
// platform's separator: '/' on POSIX, '\' on Windows (where '/' separates
// too). paths.cpp holds what both share; paths_posix.cpp and
// paths_win32.cpp say what a separator and a root are.
#pragma once

#include <cstddef>

#include "text/text.h"

extern const char16_t kPathSep;

bool IsPathSeparator(char16_t c);
// The length of the root that starts `path`, 0 for none. POSIX: "/".
// Windows: a drive root "C:\" (or "C:" alone, relative to that drive's
// current folder), a share "\\server\share", a "\\?\" prefix with the root
// it prefixes, or a lone "\" (the root of the current drive). A root is
// kept whole: no operation here cuts into it or climbs above it.
size_t PathRootLength(WStringView path);
// A full path: "/..." on POSIX; on Windows one on a drive root, a share or
// behind "\\?\" ("C:x" and "\x" depend on the current folder).
bool IsAbsolutePath(WStringView path);
// Whether two names name the same thing: exactly equal on POSIX,
// case-insensitively on Windows.
bool SamePathName(WStringView a, WStringView b);
// '/' made '\' on Windows; the path unchanged on POSIX.
WString WithNativeSeparators(WStringView path);
// "%s\%s": joins with one separator.
WString JoinPath(WStringView folder, WStringView name);
// PathCombineW: `path` made absolute against `base` unless it is absolute,
// with "." and ".." components folded lexically. On Windows "\x" goes to
// the root of `base`, and "C:x" below `base` when `base` is on drive C
// (else it is kept as it stands, as PathCombineW keeps it).
WString CombinePath(WStringView base, WStringView path);
WString FoldDotComponents(WStringView path);
// PathStripPathW / PathRemoveFileSpecW. The parent of a name just below a
// root is the root itself ("/", "C:\").
WString LastComponent(WStringView path);
WString ParentFolder(WStringView path);
// PathFindExtensionW: from the last '.' of the last component, or empty.
WString FindExtension(WStringView path);
// PathRemoveExtensionW.
WString RemoveExtension(WStringView path);
// PathRelativePathToW between two folders/files; false when they share no
// root. Names compare as SamePathName does.
bool RelativePath(WStringView fromFolder, WStringView to, WString& out);
