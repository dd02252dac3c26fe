// The gettext PO format on bytes: a reader into plain entries and a writer
// back to bytes. No file access here: callers read and write the files.
//
// Texts are kept as UTF-8 (the reader converts the few other charsets it
// knows). The writer escapes as GNU gettext does and does not wrap: a text
// is split into lines only after each "\n" it holds, as `msgcat --no-wrap`
// writes it, so a file written here goes through msgcat unchanged.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "text/text.h"

struct PoEntry {
  std::vector<std::string> translatorComments;  // "# ", without the marker and one space
  std::vector<std::string> extractedComments;   // "#."
  std::vector<std::string> references;          // "#:", one line each
  std::vector<std::string> flags;               // "#,", split at the commas
  // "#|": the source before the change that made the entry fuzzy.
  bool hasPreviousContext = false, hasPreviousId = false, hasPreviousIdPlural = false;
  std::string previousContext, previousId, previousIdPlural;
  bool hasContext = false;
  std::string context;  // msgctxt
  std::string id;       // msgid
  bool hasPlural = false;
  std::string idPlural;             // msgid_plural
  std::vector<std::string> strings;  // msgstr, or msgstr[0], msgstr[1], ... with a plural
  bool obsolete = false;            // "#~" lines
  size_t line = 0;                  // of its msgctxt or msgid
};

bool HasFlag(const PoEntry& entry, std::string_view flag);
// The header: an entry without context whose msgid is empty.
bool IsHeader(const PoEntry& entry);

struct PoDocument {
  std::vector<PoEntry> entries;  // in file order; the header first where there is one
};

// Where and why a file could not be read.
struct PoFault {
  size_t line = 0;
  WString what;
};

// Files larger than this are refused before they are parsed.
constexpr size_t kPoMaxBytes = size_t{64} << 20;

// Reads a whole PO file. False, with the line of the fault, on a syntax
// error, an escape gettext does not know, text that is not valid in the
// file's charset, a charset other than UTF-8 (or ASCII), Windows-1252 and
// ISO-8859-1, two entries with the same context and msgid, or a file larger
// than `maxBytes`. Without `comments` the translator, extracted and
// reference comments are not kept (flags are).
bool ReadPoDocument(std::string_view bytes, PoDocument& document, PoFault& fault, size_t maxBytes = kPoMaxBytes,
                    bool comments = true);

// The file's bytes, UTF-8.
std::string WritePoDocument(const PoDocument& document);
// One header field ("Name: value") of a header's msgstr; empty when absent.
std::string PoHeaderField(std::string_view header, std::string_view name);
