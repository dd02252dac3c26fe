// POSIX path rules: '/' separates, a path is absolute when it starts with
// '/', and a backslash is an ordinary file-name character.
#include <vector>

#include "platform/paths.h"

const char16_t kPathSep = u'/';

bool IsPathSeparator(char16_t c) { return c == u'/'; }

bool IsAbsolutePath(WStringView path) { return !path.empty() && path[0] == u'/'; }

WString JoinPath(WStringView folder, WStringView name) {
  WString out(folder);
  if (!out.empty() && out.back() != kPathSep) out.push_back(kPathSep);
  out += name;
  return out;
}

WString FoldDotComponents(WStringView path) {
  const bool absolute = IsAbsolutePath(path);
  std::vector<WString> parts;
  size_t i = 0;
  while (i <= path.size()) {
    size_t j = path.find(kPathSep, i);
    if (j == WStringView::npos) j = path.size();
    const WStringView part = path.substr(i, j - i);
    if (part.empty() || part == u".") {
      // skipped
    } else if (part == u"..") {
      if (!parts.empty() && parts.back() != u"..") parts.pop_back();
      else if (!absolute) parts.emplace_back(part);
    } else {
      parts.emplace_back(part);
    }
    i = j + 1;
  }
  WString out = absolute ? WString(1, kPathSep) : WString();
  for (size_t k = 0; k < parts.size(); ++k) {
    if (k) out.push_back(kPathSep);
    out += parts[k];
  }
  return out;
}

WString CombinePath(WStringView base, WStringView path) {
  if (IsAbsolutePath(path)) return FoldDotComponents(path);
  if (path.empty()) return FoldDotComponents(base);
  return FoldDotComponents(JoinPath(base, path));
}

WString LastComponent(WStringView path) {
  const size_t k = path.rfind(kPathSep);
  return WString(k == WStringView::npos ? path : path.substr(k + 1));
}

WString ParentFolder(WStringView path) {
  const size_t k = path.rfind(kPathSep);
  if (k == WStringView::npos) return WString();
  if (k == 0) return WString(1, kPathSep);
  return WString(path.substr(0, k));
}

WString FindExtension(WStringView path) {
  const size_t slash = path.rfind(kPathSep);
  const size_t start = slash == WStringView::npos ? 0 : slash + 1;
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
  auto split = [](WStringView p) {
    std::vector<WString> parts;
    const WString folded = FoldDotComponents(p);
    size_t i = 1;
    while (i < folded.size()) {
      size_t j = folded.find(kPathSep, i);
      if (j == WString::npos) j = folded.size();
      parts.push_back(folded.substr(i, j - i));
      i = j + 1;
    }
    return parts;
  };
  const auto a = split(fromFolder), b = split(to);
  size_t common = 0;
  while (common < a.size() && common < b.size() && a[common] == b[common]) ++common;
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
