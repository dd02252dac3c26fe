// Windows path rules: '\' and '/' both separate; roots are drives ("C:\",
// or "C:" relative to that drive's current folder), shares
// ("\\server\share"), "\\?\" and "\\.\" paths and a lone "\"; names compare
// case-insensitively.
#include "os/paths.h"

const char16_t kPathSep = u'\\';

bool IsPathSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

namespace {

bool IsDriveLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

bool StartsWithDrive(WStringView path) { return path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == u':'; }

// "server\share" at the start of `rest`: the length up to the separator
// after the share (or the whole when there is none).
size_t ShareLength(WStringView rest) {
  size_t k = 0;
  for (int part = 0; part < 2; ++part) {
    if (part) ++k;  // the separator between server and share
    while (k < rest.size() && !IsPathSeparator(rest[k])) ++k;
    if (k >= rest.size()) return rest.size();
  }
  return k;
}

}  // namespace

size_t PathRootLength(WStringView path) {
  if (path.size() >= 4 && path[0] == u'\\' && path[1] == u'\\' && (path[2] == u'?' || path[2] == u'.') &&
      path[3] == u'\\') {
    const WStringView rest = path.substr(4);
    if (StartsWithDrive(rest)) return 4 + (rest.size() > 2 && IsPathSeparator(rest[2]) ? 3 : 2);
    if (StartsWithAsciiNoCase(rest, u"UNC\\")) return 8 + ShareLength(rest.substr(4));
    // A volume or device name ("\\?\Volume{...}\"), with its separator.
    size_t k = 0;
    while (k < rest.size() && !IsPathSeparator(rest[k])) ++k;
    return 4 + (k < rest.size() ? k + 1 : k);
  }
  if (path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1])) return 2 + ShareLength(path.substr(2));
  if (StartsWithDrive(path)) return path.size() > 2 && IsPathSeparator(path[2]) ? 3 : 2;
  return !path.empty() && IsPathSeparator(path[0]) ? 1 : 0;
}

bool IsAbsolutePath(WStringView path) {
  const size_t root = PathRootLength(path);
  return root == 3 || (root > 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]));
}

bool SamePathName(WStringView a, WStringView b) { return EqualsNoCase(WithNativeSeparators(a), WithNativeSeparators(b)); }

WString WithNativeSeparators(WStringView path) {
  WString out(path);
  for (char16_t& c : out)
    if (c == u'/') c = u'\\';
  return out;
}

WString CombinePath(WStringView base, WStringView path) {
  if (path.empty()) return FoldDotComponents(base);
  if (IsAbsolutePath(path)) return FoldDotComponents(path);
  const size_t root = PathRootLength(path), baseRoot = PathRootLength(base);
  if (root == 1) {
    // "\x": the root of the base's drive or share.
    if (baseRoot == 0) return FoldDotComponents(path);
    return FoldDotComponents(JoinPath(base.substr(0, baseRoot), path.substr(1)));
  }
  if (root == 2) {
    // "C:x": below the base when the base is on that drive, as the
    // current folder of the current drive; else kept drive-relative.
    if (baseRoot == 3 && EqualsNoCase(base.substr(0, 2), path.substr(0, 2)))
      return FoldDotComponents(JoinPath(base, path.substr(2)));
    return FoldDotComponents(path);
  }
  return FoldDotComponents(JoinPath(base, path));
}
