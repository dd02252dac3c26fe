// The report of one module pair and the routines every comparer shares:
// the report entries, the resource name formatter and the display escaper.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "driver/console_output.h"
#include "text/format.h"
#include "pe/resources.h"
#include "text/text.h"

// What the /diff exclude options silence; constant for a run.
struct DiffOptions {
  bool excludeImages = false;   // no image entries
  bool excludeStrings = false;  // no string tables, menu item texts, dialog titles and control texts
  bool excludeSizes = false;    // no dialog control position and size lines
};

// One pair's report, assembled in memory while the comparers run and written
// in one piece when the pair is done: the report file's entries and the
// console's copy of them (which differs from the report in a few lines).
struct DiffReport {
  DiffOptions options;
  WString installName;     // file-name parts, for the header
  WString comparisonName;
  WString path;            // the report file
  WString entries;         // the report's text after its header
  WString console;         // the console's text after its header
};

// An entry for the report only, or for the console only.
template <class... Args>
void WriteDiffEntry(DiffReport& report, WStringView format, const Args&... args) {
  report.entries += Format(format, args...);
}
template <class... Args>
void ConsoleEntry(DiffReport& report, WStringView format, const Args&... args) {
  report.console += Format(format, args...);
}

// The usual entry: formatted once, for the report and the console alike.
template <class... Args>
void ReportEntry(DiffReport& report, WStringView format, const Args&... args) {
  const WString text = Format(format, args...);
  report.entries += text;
  report.console += text;
}

// The header that opens a pair's report (and, after a blank line, its
// console copy).
WString ReportHeader(const DiffReport& report);

// The report files a /diff run has written so far.
struct ReportFiles {
  std::set<WString> written;
};

// A pair's report as it is written: made from the report once the
// comparers are done (on any thread), written in walk order.
struct ReportOutput {
  WString path;
  HeldMessages console;       // a blank line, the header and the console's entries
  std::vector<uint8_t> file;  // byte order mark, header and entries in UTF-16LE
  // Set by WriteReportAhead: the file is written, with this outcome.
  bool writtenAhead = false;
  int writeError = 0;  // 0 when the write succeeded
};
// Empty console and file for a pair without entries.
ReportOutput PrepareReport(const DiffReport& report);

// Writes the report file of a pair whose path no earlier pair of the run
// names, as a new file, and keeps the outcome (and no longer the bytes) for
// WritePairReport to tell. Safe on any thread.
void WriteReportAhead(ReportOutput& output);

// Writes a pair that has entries, in walk order: its console copy, then its
// report file in one write unless it was written ahead: a new file the first
// time this run names the path, the header and entries appended to it (no
// second byte order mark) after that. A report that cannot be written is
// said with its path and the error number; false then.
bool WritePairReport(const Messages& messages, ReportFiles& files, const ReportOutput& output);

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
