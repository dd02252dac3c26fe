// The path operations both platforms share: they see separators and roots
// only through IsPathSeparator, PathRootLength and SamePathName.
#include <vector>

#include "os/paths.h"

namespace {

// The components after the root, empty ones (doubled separators) dropped.
std::vector<WStringView> Components(WStringView path) {
  std::vector<WStringView> parts;
  size_t i = PathRootLength(path);
  while (i < path.size()) {
    size_t j = i;
    while (j < path.size() && !IsPathSeparator(path[j])) ++j;
    if (j > i) parts.push_back(path.substr(i, j - i));
    i = j + 1;
  }
  return parts;
}

// Where the last component starts: after the last separator, never inside
// the root.
size_t LastComponentStart(WStringView path) {
  const size_t root = PathRootLength(path);
  size_t start = path.size();
  while (start > root && !IsPathSeparator(path[start - 1])) --start;
  return start;
}

}  // namespace

WString JoinPath(WStringView folder, WStringView name) {
  WString out(folder);
  if (!out.empty() && !IsPathSeparator(out.back())) out.push_back(kPathSep);
  out += name;
  return out;
}

WString FoldDotComponents(WStringView path) {
  const size_t root = PathRootLength(path);
  std::vector<WStringView> parts;
  for (const WStringView part : Components(path)) {
    if (part == u".") continue;
    if (part != u"..") {
      parts.push_back(part);
    } else if (!parts.empty() && parts.back() != u"..") {
      parts.pop_back();
    } else if (root == 0) {
      parts.push_back(part);  // a relative path keeps what leads above it
    }
  }
  WString out = WithNativeSeparators(path.substr(0, root));
  // A root that ends in a separator or a drive ("C:") takes the first
  // component as it is; a share ("\\server\share") takes a separator.
  bool needSeparator = !out.empty() && !IsPathSeparator(out.back()) && out.back() != u':';
  for (const WStringView part : parts) {
    if (needSeparator) out.push_back(kPathSep);
    out += part;
    needSeparator = true;
  }
  return out;
}

WString LastComponent(WStringView path) { return WString(path.substr(LastComponentStart(path))); }

WString ParentFolder(WStringView path) {
  const size_t root = PathRootLength(path), start = LastComponentStart(path);
  if (start > root) return WString(path.substr(0, start - 1));
  return WString(path.substr(0, root));
}

WString FindExtension(WStringView path) {
  const size_t start = LastComponentStart(path);
  const size_t dot = path.rfind(u'.');
  if (dot == WStringView::npos || dot < start) return WString();
  return WString(path.substr(dot));
}

WString RemoveExtension(WStringView path) {
  const WString ext = FindExtension(path);
  return WString(path.substr(0, path.size() - ext.size()));
}

bool RelativePath(WStringView fromFolder, WStringView to, WString& out) {
  if (!IsAbsolutePath(fromFolder) || !IsAbsolutePath(to)) return false;
  const WString from = FoldDotComponents(fromFolder), target = FoldDotComponents(to);
  const WStringView fromRoot = WStringView(from).substr(0, PathRootLength(from));
  if (!SamePathName(fromRoot, WStringView(target).substr(0, PathRootLength(target)))) return false;
  const auto a = Components(from), b = Components(target);
  size_t common = 0;
  while (common < a.size() && common < b.size() && SamePathName(a[common], b[common])) ++common;
  out.clear();
  if (common == a.size()) {
    out = u".";
  } else {
    for (size_t k = common; k < a.size(); ++k) {
      if (!out.empty()) out.push_back(kPathSep);
      out += u"..";
    }
  }
  for (size_t k = common; k < b.size(); ++k) {
    out.push_back(kPathSep);
    out += b[k];
  }
  return true;
}
