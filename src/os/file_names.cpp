// Names in the file layer, alike on every platform: wildcards, the listing
// order, names found whatever their case, random names.
#include <algorithm>
#include <cstdio>
#include <random>

#include "os/files_shared.h"
#include "os/paths.h"

bool WildcardMatch(WStringView pattern, WStringView name) {
  if (pattern == u"*.*" || pattern == u"*") return true;
  // Iterative glob with backtracking over the last '*'.
  size_t p = 0, n = 0, starP = WString::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == u'?' || NameUpper(pattern[p]) == NameUpper(name[n]))) {
      ++p, ++n;
    } else if (p < pattern.size() && pattern[p] == u'*') {
      starP = p++;
      starN = n;
    } else if (starP != WString::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  // "name.*" also matches "name" without a dot, as on Windows.
  if (p + 2 == pattern.size() && pattern[p] == u'.' && pattern[p + 1] == u'*') return true;
  return p == pattern.size();
}

WStringView NoCasePattern(WStringView name) {
  return name.find_first_of(u"*?") == WStringView::npos ? name : WStringView(u"*");
}

WString FindNameNoCase(const WString& folder, WStringView name) {
  const WString exact = JoinPath(folder, name);
  if (PathExists(exact)) return exact;
  for (const auto& e : ListDirectory(folder, NoCasePattern(name)))
    if (EqualsNoCase(e.name, name)) return JoinPath(folder, e.name);
  return exact;
}

void SortListing(std::vector<DirEntry>& entries) {
  std::sort(entries.begin(), entries.end(), [](const DirEntry& a, const DirEntry& b) {
    const int c = CompareNoCase(a.name, b.name);
    return c != 0 ? c < 0 : a.name < b.name;
  });
  if (entries.empty()) SetLastErrorCode(kErrorFileNotFound);
}

bool RefusedName(const WString& path) {
  if (path.find_first_of(u"<>") == WString::npos) return false;
  SetLastErrorCode(kErrorInvalidName);
  return true;
}

std::string RandomHex() {
  std::random_device device;
  const uint64_t value = (static_cast<uint64_t>(device()) << 32) ^ device();
  char buf[17];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(value));
  return buf;
}

WStringView WorkingFileStem(WStringView name) {
  constexpr size_t kSuffix = 1 + kWorkingDigits + kWorkingTail.size();
  if (name.size() <= kSuffix) return WStringView();
  const WStringView suffix = name.substr(name.size() - kSuffix);
  const bool working =
      suffix[0] == u'.' &&
      std::all_of(suffix.begin() + 1, suffix.begin() + 1 + kWorkingDigits,
                  [](char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'); }) &&
      std::equal(kWorkingTail.begin(), kWorkingTail.end(), suffix.end() - kWorkingTail.size());
  return working ? name.substr(0, name.size() - kSuffix) : WStringView();
}

WString NewUuidString() {
  // Fresh entropy on every call: no generator shared between threads.
  std::random_device device;
  uint8_t bytes[16];
  for (int i = 0; i < 16; i += 8) {
    const uint64_t r = (static_cast<uint64_t>(device()) << 32) ^ device();
    for (int k = 0; k < 8; ++k) bytes[i + k] = static_cast<uint8_t>(r >> (8 * k));
  }
  bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
  static const char* hex = "0123456789abcdef";
  WString out;
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out.push_back(u'-');
    out.push_back(static_cast<char16_t>(hex[bytes[i] >> 4]));
    out.push_back(static_cast<char16_t>(hex[bytes[i] & 15]));
  }
  return out;
}
