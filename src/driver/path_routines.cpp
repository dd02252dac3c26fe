#include "driver/path_routines.h"

#include <algorithm>

#include "driver/console_output.h"
#include "os/files.h"
#include "os/paths.h"

namespace {

void TrimBlanks(WString& path) {
  size_t start = 0;
  while (start < path.size() && path[start] == u' ') ++start;
  size_t end = path.size();
  while (end > start && path[end - 1] == u' ') --end;
  path = path.substr(start, end - start);
}

void UnquoteSpaces(WString& path) {
  if (path.size() >= 2 && path.front() == u'"' && path.back() == u'"') path = path.substr(1, path.size() - 2);
}

// An existing absolute path loses its trailing separators (not the root's),
// as a combined relative path does, so its last component is a name.
void DropTrailingSeparators(WString& path) {
  const size_t keep = std::max<size_t>(1, PathRootLength(path));
  while (path.size() > keep && IsPathSeparator(path.back())) path.pop_back();
}

}  // namespace

bool ResolvePath(WString& path, ResolveMode mode) {
  TrimBlanks(path);
  UnquoteSpaces(path);
  if (!IsAbsolutePath(path)) {
    const WString current = CurrentDirectory();
    const WString combined = CombinePath(current, path);
    if (PathExists(combined)) {
      path = WithNativeSeparators(combined);
      return true;
    }
    if (mode == ResolveMode::Loud)
      PrintDirect(
          u"Relative path invalid - unable to continue.  Please check the passed path(s).\r\n"
          u"Relative path generated: `%s' made from `%s' and `%s'\r\nNow exiting...\r\n\r\n",
          combined, current, path);
    return false;
  }
  if (PathExists(path)) {
    // Forward slashes become the platform's separator (on Windows).
    path = WithNativeSeparators(path);
    DropTrailingSeparators(path);
    return true;
  }
  if (mode == ResolveMode::Loud)
    PrintDirect(
        u"Absolute path invalid - unable to continue.  Please check the passed path.\r\n\r\n"
        u"Absolute path generated: `%s'\r\nNow exiting...\r\n\r\n",
        path);
  return false;
}

WString GetModuleFolder() { return ParentFolder(ExecutablePath()); }

Cursor SelectOutputFolder(Cursor cursor, WString& out, const WString* base, OutputKind kind) {
  const WString token = CopyToken(cursor);
  if (token.compare(0, 8, u"/folder=") == 0 && token.size() >= 8) {
    out = token.substr(8);
    ResolvePath(out, ResolveMode::Quiet);
    return NextToken(SkipSpaces(cursor));
  }
  const WString folder = base ? *base : GetModuleFolder();
  out = JoinPath(folder, kind == OutputKind::Diffs    ? u"Diffs"
                        : kind == OutputKind::Checks ? u"Checks"
                        : kind == OutputKind::Po     ? u"Po"
                                                     : u"LangFiles");
  return cursor;
}

bool CanPlaceOutputFolder(const Messages& messages, const WString& folder) {
  if (IsAbsolutePath(folder) || !CurrentDirectory().empty()) return true;
  OutputMessage(messages, u"Unable to create `%s', aborting\r\n", folder);
  return false;
}

bool EnsureOutputFolder(const Messages& messages, const WString& folder, bool& existed) {
  existed = false;
  // "." or ".." of a deleted working folder would still be found, but no
  // path names it, and the deleted folder itself takes no files.
  if (!CanPlaceOutputFolder(messages, folder)) return false;
  existed = PathExists(folder);
  if (existed) return true;
  if (CreateFolder(folder)) {
    OutputMessage(messages, u"Successfully created `%s'\r\n", folder);
    return true;
  }
  OutputMessage(messages, u"Unable to create `%s', aborting\r\n", folder);
  return false;
}

WString ExpandFolderVariables(WStringView input) {
  WString out;
  size_t i = 0;
  while (i < input.size()) {
    const char16_t c = input[i];
    if (c == u'{') {
      size_t j = i + 1;
      while (j < input.size() && input[j] != u'}' && input[j] != u'{') ++j;
      if (j < input.size() && input[j] == u'}') {
        int number = 0;
        for (size_t k = i + 1; k < j && input[k] >= u'0' && input[k] <= u'9'; ++k)
          if (number < 100000000) number = number * 10 + (input[k] - u'0');
        WString folder;
        out += SpecialFolderPath(number, folder) ? folder : WString(u"<invalid>");
        i = j + 1;
        continue;
      }
    } else if (c == u'%') {
      const size_t j = input.find(u'%', i + 1);
      if (j != WStringView::npos) {
        WString value;
        out += GetEnvVar(WString(input.substr(i + 1, j - i - 1)), value) ? value : WString(u"<error>");
        i = j + 1;
        continue;
      }
    }
    out.push_back(c);
    ++i;
  }
  return out;
}

WString MakeTempFolderName(const WString& prefix) {
  WString digits;
  for (char16_t c : NewUuidString()) {
    if (c == u'-') continue;
    digits.push_back(c);
    if (digits.size() == 7) break;
  }
  return prefix + u"LNG" + digits + u".tmp";
}

bool WriteBufferToFile(const WString& path, std::span<const uint8_t> bytes, bool append) {
  return WriteFileBytes(path, bytes, append);
}

bool WriteBufferToFile(const WString& path, std::string_view narrow, bool append) {
  return WriteFileBytes(path, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(narrow.data()), narrow.size()),
                        append);
}
