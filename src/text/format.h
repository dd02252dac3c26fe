// The printf-style formatter behind every message, report entry and bounded
// format of the tool. Formats are UTF-16 (or narrow for the zip messages):
//   %s  a string (UTF-16; a narrow argument is read as Windows-1252)
//   %S  a narrow string (Windows-1252; a UTF-16 argument is taken as is)
//   %d %i %u %x %X %c %%, with the flags '-', '0', ' ', '+', a width and a
//   precision. Arguments are type-checked at run time: a missing argument
//   or one of the wrong kind formats as nothing rather than reading garbage.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "text/text.h"

struct FormatArg {
  enum class Kind { None, Wide, Narrow, Signed, Unsigned };
  Kind kind = Kind::None;
  WStringView wide;
  std::string_view narrow;
  int64_t sval = 0;
  uint64_t uval = 0;

  FormatArg() = default;
  FormatArg(const WString& s) : kind(Kind::Wide), wide(s) {}
  FormatArg(WStringView s) : kind(Kind::Wide), wide(s) {}
  FormatArg(const char16_t* s) : kind(Kind::Wide), wide(s ? WStringView(s) : WStringView()) {}
  FormatArg(const std::string& s) : kind(Kind::Narrow), narrow(s) {}
  FormatArg(std::string_view s) : kind(Kind::Narrow), narrow(s) {}
  FormatArg(const char* s) : kind(Kind::Narrow), narrow(s ? std::string_view(s) : std::string_view()) {}
  FormatArg(int v) : kind(Kind::Signed), sval(v), uval(static_cast<uint32_t>(v)) {}
  FormatArg(long v) : kind(Kind::Signed), sval(v), uval(static_cast<uint32_t>(v)) {}
  FormatArg(long long v) : kind(Kind::Signed), sval(v), uval(static_cast<uint32_t>(v)) {}
  FormatArg(unsigned v) : kind(Kind::Unsigned), sval(v), uval(v) {}
  FormatArg(unsigned long v) : kind(Kind::Unsigned), sval(static_cast<int64_t>(v)), uval(v) {}
  FormatArg(unsigned long long v) : kind(Kind::Unsigned), sval(static_cast<int64_t>(v)), uval(v) {}
  FormatArg(char16_t c) : kind(Kind::Unsigned), sval(c), uval(c) {}
  FormatArg(char c) : kind(Kind::Unsigned), sval(static_cast<uint8_t>(c)), uval(static_cast<uint8_t>(c)) {}
  FormatArg(uint8_t v) : kind(Kind::Unsigned), sval(v), uval(v) {}
  FormatArg(uint16_t v) : kind(Kind::Unsigned), sval(v), uval(v) {}
  FormatArg(int16_t v) : kind(Kind::Signed), sval(v), uval(static_cast<uint32_t>(v)) {}
};

WString FormatWideV(WStringView format, std::span<const FormatArg> args);
std::string FormatNarrowV(std::string_view format, std::span<const FormatArg> args);

template <class... Args>
WString Format(WStringView format, const Args&... args) {
  const FormatArg list[] = {FormatArg(args)..., FormatArg()};
  return FormatWideV(format, std::span<const FormatArg>(list, sizeof...(Args)));
}

template <class... Args>
std::string FormatNarrow(std::string_view format, const Args&... args) {
  const FormatArg list[] = {FormatArg(args)..., FormatArg()};
  return FormatNarrowV(format, std::span<const FormatArg>(list, sizeof...(Args)));
}
