#include "diff/diff_report.h"

#include <algorithm>
#include <vector>

#include "driver/console_output.h"
#include "driver/path_routines.h"
#include "os/error_codes.h"
#include "os/files.h"

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
  if (c < kCombiningMarks[0].first) return false;
  for (const auto& range : kCombiningMarks)
    if (c >= range.first && c <= range.last) return true;
  return false;
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Writes one character at `out`, CR, LF and tab as two; returns the end.
template <class Char>
Char* PutEscaped(Char* out, Char c) {
  switch (c) {
    case '\r': *out++ = '\\'; *out++ = 'r'; break;
    case '\n': *out++ = '\\'; *out++ = 'n'; break;
    case '\t': *out++ = '\\'; *out++ = 't'; break;
    default: *out++ = c; break;
  }
  return out;
}

// UTF-16LE bytes of the text, after what `out` holds.
void AppendUtf16Le(std::vector<uint8_t>& out, WStringView text) {
  const size_t at = out.size();
  out.resize(at + 2 * text.size());
  uint8_t* p = out.data() + at;
  for (const char16_t c : text) {
    *p++ = static_cast<uint8_t>(c);
    *p++ = static_cast<uint8_t>(c >> 8);
  }
}

}  // namespace

WString ReportHeader(const DiffReport& report) {
  return Format(u"<<<<< Checking %s against %s >>>>>\r\n\r\n", report.installName, report.comparisonName);
}

ReportOutput PrepareReport(const DiffReport& report) {
  ReportOutput output;
  output.path = report.path;
  if (report.entries.empty()) return output;
  const WString header = ReportHeader(report);
  output.console.text.reserve(2 + header.size() + report.console.size());
  output.console.Hold(u"\r\n");
  output.console.Hold(header);
  output.console.Hold(report.console);
  output.file.reserve(2 + 2 * (header.size() + report.entries.size()));
  output.file.insert(output.file.end(), {0xFF, 0xFE});
  AppendUtf16Le(output.file, header);
  AppendUtf16Le(output.file, report.entries);
  return output;
}

// 0, or the error of a write that failed (never 0).
int WriteReportFile(const WString& path, std::span<const uint8_t> bytes, bool append) {
  if (WriteBufferToFile(path, bytes, append)) return 0;
  const int error = GetLastErrorCode();
  return error != 0 ? error : kErrorGenFailure;
}

void WriteReportAhead(ReportOutput& output) {
  if (output.console.empty()) return;
  output.writtenAhead = true;
  output.writeError = WriteReportFile(output.path, output.file, false);
  output.file = std::vector<uint8_t>();
}

bool WritePairReport(const Messages& messages, ReportFiles& files, const ReportOutput& output) {
  if (output.console.empty()) return true;
  OutputText(messages, output.console.text);
  int error = output.writeError;
  if (!output.writtenAhead) {
    // A second pair with the same stem (a module in the root and one in
    // plugins) adds its own header and entries after the first pair's.
    const bool again = files.written.count(output.path) != 0;
    const std::span<const uint8_t> bytes = std::span<const uint8_t>(output.file).subspan(again ? 2 : 0);
    error = WriteReportFile(output.path, bytes, again);
  }
  if (error != 0) {
    OutputMessage(messages, u"Unable to write the report `%s' [%d]\r\n", output.path, error);
    return false;
  }
  files.written.insert(output.path);
  return true;
}

WString FormatResourceName(const ResId& name) {
  return name.isName ? name.name : Format(u"%d", static_cast<int>(name.id));
}

// Both forms write into a buffer of twice the characters they may copy.
WString EscapeControlChars(WStringView source, size_t max) {
  const size_t limit = max < source.size() ? max : source.size();
  WString out(2 * limit, u'\0');
  char16_t* end = out.data();
  size_t i = 0;
  while (i < limit && source[i] != 0) {
    const char16_t c = source[i++];
    // Printable characters below the combining marks, most of any text,
    // are copied as they are.
    if (c >= 0x20 && c < kCombiningMarks[0].first) {
      *end++ = c;
      // None of these is a combining mark, so a run of them goes out as it
      // stands.
      while (i < limit && source[i] >= 0x20 && source[i] < kCombiningMarks[0].first) *end++ = source[i++];
    } else {
      end = PutEscaped(end, c);
    }
    if (IsHighSurrogate(c) && i < limit && IsLowSurrogate(source[i])) *end++ = source[i++];
    while (i < limit && IsCombiningMark(source[i])) ++i;
  }
  out.resize(static_cast<size_t>(end - out.data()));
  return out;
}

std::string EscapeControlChars(std::string_view source, size_t max) {
  const size_t limit = max < source.size() ? max : source.size();
  std::string out(2 * limit, '\0');
  char* end = out.data();
  for (size_t i = 0; i < limit && source[i] != 0; ++i) end = PutEscaped(end, source[i]);
  out.resize(static_cast<size_t>(end - out.data()));
  return out;
}

bool SameBytes(ByteSpan a, ByteSpan b) { return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin()); }

ValueChange ChangeBetween(uint32_t installValue, uint32_t comparisonValue) {
  if (installValue > comparisonValue) return {u"removal", installValue - comparisonValue};
  return {u"addition", comparisonValue - installValue};
}
