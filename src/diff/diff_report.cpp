#include "diff/diff_report.h"

#include <algorithm>
#include <vector>

#include "driver/path_routines.h"
#include "platform/byte_reader.h"

bool g_excludeImages = false;
bool g_excludeStrings = false;
bool g_excludeSizes = false;

namespace {

// Code points that CharNextW steps over together with the character before
// them: the combining diacritical mark blocks.
struct CodeRange {
  char16_t first, last;
};
constexpr CodeRange kCombiningMarks[] = {
    {0x0300, 0x036F}, {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x20D0, 0x20FF}, {0xFE20, 0xFE2F},
};

bool IsCombiningMark(char16_t c) {
  for (const auto& range : kCombiningMarks)
    if (c >= range.first && c <= range.last) return true;
  return false;
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

template <class String, class Char>
void AppendEscaped(String& out, Char c) {
  switch (c) {
    case '\r': out.push_back('\\'); out.push_back('r'); break;
    case '\n': out.push_back('\\'); out.push_back('n'); break;
    case '\t': out.push_back('\\'); out.push_back('t'); break;
    default: out.push_back(c); break;
  }
}

}  // namespace

void WriteDiffText(DiffReport& report, WStringView entry) {
  if (!report.headerWritten) {
    OutputMessage(u"\r\n<<<<< Checking %s against %s >>>>>\r\n\r\n", report.installName, report.comparisonName);
    const uint8_t bom[] = {0xFF, 0xFE};
    WriteBufferToFile(report.path, bom, false);
    std::vector<uint8_t> header;
    PutWide(header, Format(u"<<<<< Checking %s against %s >>>>>\r\n\r\n", report.installName, report.comparisonName),
            false);
    WriteBufferToFile(report.path, header, true);
    report.headerWritten = true;
  }
  std::vector<uint8_t> bytes;
  PutWide(bytes, entry, false);
  WriteBufferToFile(report.path, bytes, true);
}

WString FormatResourceName(const ResId& name) {
  return name.isName ? name.name : Format(u"%d", static_cast<int>(name.id));
}

WString EscapeControlChars(WStringView source, size_t max) {
  const size_t limit = max < source.size() ? max : source.size();
  WString out;
  out.reserve(2 * limit);
  size_t i = 0;
  while (i < limit && source[i] != 0) {
    const char16_t c = source[i++];
    AppendEscaped(out, c);
    if (IsHighSurrogate(c) && i < limit && IsLowSurrogate(source[i])) out.push_back(source[i++]);
    while (i < limit && IsCombiningMark(source[i])) ++i;
  }
  return out;
}

std::string EscapeControlChars(std::string_view source, size_t max) {
  const size_t limit = max < source.size() ? max : source.size();
  std::string out;
  out.reserve(2 * limit);
  for (size_t i = 0; i < limit && source[i] != 0; ++i) AppendEscaped(out, source[i]);
  return out;
}

bool SameBytes(ByteSpan a, ByteSpan b) { return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin()); }

ValueChange ChangeBetween(uint32_t installValue, uint32_t comparisonValue) {
  if (installValue > comparisonValue) return {u"removal", installValue - comparisonValue};
  return {u"addition", comparisonValue - installValue};
}
