// The ANSI code page is the system's (GetACP). Windows-1252 goes through
// the same tables as on POSIX, so both platforms give the same bytes; any
// other code page through the system's conversions, with '?' for what it
// cannot hold and no best-fit look-alikes (as the tables do it).
#include <climits>

#include "text/text.h"
#include "os/win32.h"

namespace {

// Whether UTF-16 text holds a surrogate without its partner (UTF-8 cannot
// hold it).
bool HasLoneSurrogate(WStringView text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      return true;
    }
  }
  return false;
}

}  // namespace

WString AnsiToWide(std::string_view text) {
  const UINT codePage = ::GetACP();
  if (codePage == 1252) return Cp1252ToWide(text);
  if (codePage == CP_UTF8) return Utf8ToWide(text);
  if (text.empty() || text.size() > INT_MAX) return WString();
  const int size = static_cast<int>(text.size());
  const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  if (length <= 0) return WString();
  WString out(static_cast<size_t>(length), u'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, WinBuffer(out), length);
  return out;
}

std::string WideToAnsi(WStringView text, bool* lossy) {
  const UINT codePage = ::GetACP();
  if (codePage == 1252) return WideToCp1252(text, lossy);
  if (codePage == CP_UTF8) {
    if (lossy && HasLoneSurrogate(text)) *lossy = true;
    return WideToUtf8(text);
  }
  if (text.empty() || text.size() > INT_MAX) return std::string();
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int size = static_cast<int>(text.size());
  BOOL usedDefault = FALSE;
  const int length = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, size, nullptr, 0, "?", &usedDefault);
  if (length <= 0) return std::string();
  std::string out(static_cast<size_t>(length), '\0');
  ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, size, out.data(), length, "?", &usedDefault);
  if (usedDefault && lossy) *lossy = true;
  return out;
}
