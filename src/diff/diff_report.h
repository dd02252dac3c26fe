// The report of one module pair and the routines every comparer shares:
// the report writer, the resource name formatter and the display escaper.
#pragma once

#include <cstdint>
#include <string>

#include "driver/console_output.h"
#include "platform/format.h"
#include "platform/resources.h"
#include "platform/text.h"

// Set by the /diff options, constant for the run.
extern bool g_excludeImages;   // no image entries
extern bool g_excludeStrings;  // no string tables, menu item texts, dialog titles and control texts
extern bool g_excludeSizes;    // no dialog control position and size lines

// One pair's report: UTF-16LE with a byte order mark, created (or cut) at
// the pair's first entry, which is preceded by the header.
struct DiffReport {
  WString installName;     // file-name parts, for the header
  WString comparisonName;
  WString path;            // the report file
  bool headerWritten = false;
};

// Appends one formatted entry to the report file, writing the header first
// (and its console copy) when the pair has none yet. No console copy of the
// entry itself.
void WriteDiffText(DiffReport& report, WStringView entry);

template <class... Args>
void WriteDiffEntry(DiffReport& report, WStringView format, const Args&... args) {
  WriteDiffText(report, Format(format, args...));
}

// The usual entry: the report's copy, then the same text on the console.
template <class... Args>
void ReportEntry(DiffReport& report, WStringView format, const Args&... args) {
  WriteDiffEntry(report, format, args...);
  OutputMessage(format, args...);
}

// An integer id in decimal, a string name as it stands.
WString FormatResourceName(const ResId& name);

// Copies at most `max` code units of `source`, stopping early at a NUL, with
// CR, LF and tab shown as \r, \n and \t. The source is stepped a character
// at a time as the platform's CharNextW steps: a base character followed by
// combining marks is one step and only the base character is copied (a
// surrogate pair is kept whole).
WString EscapeControlChars(WStringView source, size_t max);
// The narrow form, over Windows-1252 bytes (one byte per character).
std::string EscapeControlChars(std::string_view source, size_t max);

// Two resources are equal when they have the same size and the same bytes.
bool SameBytes(ByteSpan a, ByteSpan b);

// The change word and the difference of two flag, style or state values: the
// absolute arithmetic difference; "removal" when the install value is the
// greater one, "addition" otherwise.
struct ValueChange {
  const char16_t* word;
  uint32_t difference;
};
ValueChange ChangeBetween(uint32_t installValue, uint32_t comparisonValue);
