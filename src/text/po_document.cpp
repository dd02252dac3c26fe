#include "text/po_document.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <unordered_set>

namespace {

enum class Charset { Utf8, Cp1252, Latin1, Unknown };

// The charsets a file may declare: UTF-8 (ASCII, and the template's
// placeholder "CHARSET", are read as UTF-8, which holds them), and the two
// single-byte ones Windows translators meet.
Charset CharsetNamed(std::string_view name) {
  std::string upper(name);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  if (upper.empty() || upper == "UTF-8" || upper == "UTF8" || upper == "ASCII" || upper == "US-ASCII" ||
      upper == "ANSI_X3.4-1968" || upper == "CHARSET")
    return Charset::Utf8;
  if (upper == "CP1252" || upper == "WINDOWS-1252") return Charset::Cp1252;
  if (upper == "ISO-8859-1" || upper == "ISO_8859-1" || upper == "ISO8859-1" || upper == "LATIN1") return Charset::Latin1;
  return Charset::Unknown;
}

// Windows-1252 and ISO-8859-1 differ only in 0x80-0x9F, where ISO-8859-1
// has control characters.
std::string SingleByteToUtf8(std::string_view bytes, Charset charset) {
  if (charset == Charset::Cp1252) return WideToUtf8(Cp1252ToWide(bytes));
  WString wide(bytes.size(), u'\0');
  for (size_t i = 0; i < bytes.size(); ++i) wide[i] = static_cast<unsigned char>(bytes[i]);
  return WideToUtf8(wide);
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

std::string_view TrimLeft(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  return s.substr(i);
}

std::string_view Trim(std::string_view s) {
  s = TrimLeft(s);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The comment text after its marker: one space dropped, as gettext reads
// it, and the carriage returns of a CR LF line end.
std::string CommentText(std::string_view rest) {
  if (!rest.empty() && rest[0] == ' ') rest.remove_prefix(1);
  while (!rest.empty() && rest.back() == '\r') rest.remove_suffix(1);
  return std::string(rest);
}

// Where the value of a header field ("Name: value" at the start of a line)
// stands in the header's msgstr, blanks around it included; `at` is npos
// when the header has no such field.
struct FieldValue {
  size_t at = std::string_view::npos, size = 0;
};
FieldValue FindHeaderField(std::string_view header, std::string_view name) {
  for (size_t at = 0; at < header.size();) {
    size_t end = header.find('\n', at);
    if (end == std::string_view::npos) end = header.size();
    const std::string_view line = header.substr(at, end - at);
    if (line.size() > name.size() && line[name.size()] == ':' && line.compare(0, name.size(), name) == 0)
      return {at + name.size() + 1, line.size() - name.size() - 1};
    at = end + 1;
  }
  return {};
}

// The charset name of a Content-Type value: from "charset=" to a blank or
// ";"; `at` is npos when the value names none.
FieldValue FindCharsetName(std::string_view type) {
  const size_t at = type.find("charset=");
  if (at == std::string_view::npos) return {};
  const size_t end = type.find_first_of(" \t;", at + 8);
  return {at + 8, (end == std::string_view::npos ? type.size() : end) - (at + 8)};
}

// The header of a file read in another charset, whose texts are now UTF-8:
// its Content-Type says so.
void DeclareUtf8(PoEntry& header) {
  std::string& fields = header.strings[0];
  const FieldValue type = FindHeaderField(fields, "Content-Type");
  if (type.at == std::string_view::npos) return;
  const FieldValue name = FindCharsetName(std::string_view(fields).substr(type.at, type.size));
  if (name.at != std::string_view::npos) fields.replace(type.at + name.at, name.size, "UTF-8");
}

// Where the reader is inside an entry.
enum class Part { None, Context, Id, IdPlural, String, PluralStrings };

struct Reader {
  PoDocument* document = nullptr;
  PoFault* fault = nullptr;
  Charset escapes = Charset::Utf8;  // how bytes made by \x and octal escapes are taken
  bool comments = true;             // translator, extracted and reference comments kept
  bool escapedHighByte = false;     // an escape made a byte that UTF-8 must check
  bool open = false;  // the document's last entry is the one being read
  Part part = Part::None;
  bool bodyObsolete = false;
  std::string* field = nullptr;          // the string a plain continuation line extends
  std::string* previousField = nullptr;  // the one a "#|" continuation extends
  size_t line = 0;

  bool Fail(const char16_t* what) {
    fault->line = line;
    fault->what = what;
    return false;
  }

  // Entries are read in place, at the end of the document.
  PoEntry& Entry() {
    if (!open) document->entries.emplace_back();
    open = true;
    return document->entries.back();
  }

  // Comments that no entry follows are dropped.
  void FinishEntry() {
    if (open && part == Part::None) document->entries.pop_back();
    open = false;
    part = Part::None;
    field = previousField = nullptr;
  }

  // A comment or a "#|" line ends a complete entry; inside one it has no
  // place.
  bool BeforeBody() {
    if (part == Part::String || part == Part::PluralStrings) FinishEntry();
    if (part != Part::None) return Fail(u"comment inside an entry");
    return true;
  }

  // One quoted string at the start of `s`, unescaped onto `out`; `s` moves
  // past it.
  bool ReadQuoted(std::string_view& s, std::string& out) {
    size_t i = 1;  // past the opening quote
    for (;;) {
      size_t stop = i;
      while (stop < s.size() && s[stop] != '"' && s[stop] != '\\') ++stop;
      if (stop == s.size()) return Fail(u"end of line within a string");
      out.append(s.data() + i, stop - i);
      i = stop;
      if (s[i] == '"') break;
      if (++i >= s.size()) return Fail(u"end of line within a string");
      const char c = s[i++];
      switch (c) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'a': out += '\a'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'v': out += '\v'; break;
        case '\\': case '"': case '\'': case '?': out += c; break;
        default: {
          unsigned value = 0;
          if (c >= '0' && c <= '7') {
            value = static_cast<unsigned>(c - '0');
            for (int n = 1; n < 3 && i < s.size() && s[i] >= '0' && s[i] <= '7'; ++n) value = value * 8 + (s[i++] - '0');
          } else if (c == 'x' && i < s.size() && std::isxdigit(static_cast<unsigned char>(s[i]))) {
            for (; i < s.size() && std::isxdigit(static_cast<unsigned char>(s[i])); ++i) {
              const char h = s[i];
              const unsigned digit = h <= '9' ? h - '0' : (h | 0x20) - 'a' + 10;
              value = (value * 16 + digit) & 0xFF;
            }
          } else {
            return Fail(u"invalid escape sequence");
          }
          value &= 0xFF;
          if (value >= 0x80 && escapes != Charset::Utf8) {
            out += SingleByteToUtf8(std::string(1, static_cast<char>(value)), escapes);
          } else {
            if (value >= 0x80) escapedHighByte = true;
            out += static_cast<char>(value);
          }
        }
      }
    }
    s.remove_prefix(i + 1);
    return true;
  }

  // One or more strings and nothing else up to the end of the line.
  bool ReadStrings(std::string_view s, std::string& out) {
    s = TrimLeft(s);
    if (s.empty() || s[0] != '"') return Fail(u"a string is missing");
    while (!s.empty()) {
      if (s[0] != '"') return Fail(u"syntax error");
      if (!ReadQuoted(s, out)) return false;
      s = TrimLeft(s);
    }
    return true;
  }

  // A keyword line of the entry's body, or of its previous source ("#|").
  bool ReadKeyword(std::string_view s, bool obsolete, bool previous) {
    size_t n = 0;
    while (n < s.size() && ((s[n] >= 'a' && s[n] <= 'z') || s[n] == '_')) ++n;
    const std::string_view word = s.substr(0, n);
    s.remove_prefix(n);
    if (previous) {
      if (!BeforeBody()) return false;
      std::string* target = nullptr;
      if (word == "msgctxt") {
        Entry().hasPreviousContext = true;
        target = &Entry().previousContext;
      } else if (word == "msgid") {
        Entry().hasPreviousId = true;
        target = &Entry().previousId;
      } else if (word == "msgid_plural") {
        Entry().hasPreviousIdPlural = true;
        target = &Entry().previousIdPlural;
      } else {
        return Fail(u"syntax error");
      }
      target->clear();
      previousField = target;
      return ReadStrings(s, *target);
    }
    if (word == "msgctxt" || (word == "msgid" && part != Part::Context)) {
      if (part == Part::String || part == Part::PluralStrings) FinishEntry();
      if (part != Part::None) return Fail(u"syntax error");
      bodyObsolete = obsolete;
      Entry().obsolete = obsolete;
      Entry().line = line;
    } else if (obsolete != bodyObsolete) {
      return Fail(u"an obsolete entry mixed with a current one");
    }
    previousField = nullptr;
    if (word == "msgctxt") {
      Entry().hasContext = true;
      part = Part::Context;
      field = &Entry().context;
    } else if (word == "msgid") {
      part = Part::Id;
      field = &Entry().id;
    } else if (word == "msgid_plural") {
      if (part != Part::Id) return Fail(u"msgid_plural without msgid");
      Entry().hasPlural = true;
      part = Part::IdPlural;
      field = &Entry().idPlural;
    } else if (word == "msgstr") {
      if (!s.empty() && s[0] == '[') {
        const size_t close = s.find(']');
        if (close == std::string_view::npos) return Fail(u"syntax error");
        size_t index = 0;
        const std::string_view digits = s.substr(1, close - 1);
        if (digits.empty() || digits.size() > 4) return Fail(u"syntax error");
        for (char d : digits) {
          if (d < '0' || d > '9') return Fail(u"syntax error");
          index = index * 10 + static_cast<size_t>(d - '0');
        }
        s.remove_prefix(close + 1);
        if (part != Part::IdPlural && part != Part::PluralStrings) return Fail(u"msgstr[] without msgid_plural");
        if (index != Entry().strings.size()) return Fail(u"msgstr[] out of order");
        part = Part::PluralStrings;
      } else {
        if (part != Part::Id) return Fail(part == Part::IdPlural ? u"msgstr[0] expected" : u"msgstr without msgid");
        part = Part::String;
      }
      Entry().strings.emplace_back();
      field = &Entry().strings.back();
    } else {
      return Fail(u"syntax error");
    }
    return ReadStrings(s, *field);
  }

  bool ReadLine(std::string_view s) {
    s = TrimLeft(s);
    if (s.empty()) return true;
    if (s[0] == '"') {
      if (!field || bodyObsolete) return Fail(u"syntax error");
      return ReadStrings(s, *field);
    }
    if (s[0] != '#') return ReadKeyword(s, false, false);
    const char kind = s.size() > 1 ? s[1] : '\0';
    const std::string_view rest = s.substr(s.size() > 1 ? 2 : 1);
    switch (kind) {
      case '~': {
        std::string_view body = TrimLeft(rest);
        if (body.empty()) return true;
        if (body[0] == '|') return ReadPrevious(TrimLeft(body.substr(1)), true);
        if (body[0] == '"') {
          if (!field || !bodyObsolete) return Fail(u"syntax error");
          return ReadStrings(body, *field);
        }
        return ReadKeyword(body, true, false);
      }
      case '|': return ReadPrevious(TrimLeft(rest), false);
      case '.':
        if (!BeforeBody()) return false;
        if (comments) Entry().extractedComments.push_back(CommentText(rest));
        return true;
      case ':':
        if (!BeforeBody()) return false;
        if (comments) Entry().references.push_back(std::string(Trim(rest)));
        return true;
      case ',': {
        if (!BeforeBody()) return false;
        for (std::string_view list = rest; !list.empty();) {
          const size_t comma = list.find(',');
          const std::string_view flag = Trim(list.substr(0, comma));
          if (!flag.empty()) Entry().flags.emplace_back(flag);
          if (comma == std::string_view::npos) break;
          list.remove_prefix(comma + 1);
        }
        return true;
      }
      default:
        if (!BeforeBody()) return false;
        if (comments) Entry().translatorComments.push_back(CommentText(s.substr(1)));
        return true;
    }
  }

  bool ReadPrevious(std::string_view s, bool obsolete) {
    (void)obsolete;
    if (!s.empty() && s[0] == '"') {
      if (!previousField) return Fail(u"syntax error");
      return ReadStrings(s, *previousField);
    }
    return ReadKeyword(s, obsolete, true);
  }

  bool ReadAll(std::string_view bytes) {
    for (size_t at = 0; at < bytes.size();) {
      size_t end = bytes.find('\n', at);
      if (end == std::string_view::npos) end = bytes.size();
      ++line;
      if (!ReadLine(bytes.substr(at, end - at))) return false;
      at = end + 1;
    }
    if (part == Part::Context || part == Part::Id || part == Part::IdPlural) {
      line = Entry().line;
      return Fail(part == Part::Context ? u"msgid expected after msgctxt" : u"msgstr expected");
    }
    FinishEntry();
    return true;
  }
};

size_t LineAt(std::string_view bytes, size_t offset) {
  return 1 + static_cast<size_t>(std::count(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}

// Where the first byte above 0x7F is, eight bytes at a time: most of a PO
// file is ASCII, which needs no decoding to be valid.
size_t FirstNonAscii(std::string_view bytes, size_t from) {
  for (; bytes.size() - from >= 8; from += 8) {
    uint64_t word;
    std::memcpy(&word, bytes.data() + from, 8);
    if (word & 0x8080808080808080ull) break;
  }
  while (from < bytes.size() && static_cast<unsigned char>(bytes[from]) < 0x80) ++from;
  return from;
}

// The line of the first byte that is not UTF-8 (0 when all are). The lines
// that hold characters beyond ASCII are decoded one by one.
size_t FirstInvalidUtf8Line(std::string_view bytes) {
  for (size_t at = FirstNonAscii(bytes, 0); at < bytes.size(); at = FirstNonAscii(bytes, at)) {
    const size_t start = bytes.rfind('\n', at) == std::string_view::npos ? 0 : bytes.rfind('\n', at) + 1;
    size_t end = bytes.find('\n', at);
    if (end == std::string_view::npos) end = bytes.size();
    if (!IsValidUtf8(bytes.substr(start, end - start))) return LineAt(bytes, start);
    at = end;
  }
  return 0;
}

bool EntryIsUtf8(const PoEntry& entry) {
  for (const std::string* text : {&entry.context, &entry.id, &entry.idPlural, &entry.previousContext,
                                  &entry.previousId, &entry.previousIdPlural})
    if (!IsValidUtf8(*text)) return false;
  for (const std::string& text : entry.strings)
    if (!IsValidUtf8(text)) return false;
  return true;
}

// `escapedHighByte`: an escape made a byte that is part of no character
// until the charset says so.
bool Parse(std::string_view bytes, Charset escapes, bool comments, PoDocument& document, PoFault& fault,
           bool& escapedHighByte) {
  Reader reader;
  reader.comments = comments;
  reader.document = &document;
  reader.fault = &fault;
  reader.escapes = escapes;
  document.entries.clear();
  // Room for an entry per 120 bytes, more than most files need, so that
  // entries are seldom moved.
  document.entries.reserve(bytes.size() / 120 + 1);
  const bool read = reader.ReadAll(bytes);
  escapedHighByte = reader.escapedHighByte;
  if (!read) document.entries.clear();
  return read;
}

bool EscapesMadeUtf8(const PoDocument& document, PoFault& fault) {
  for (const PoEntry& entry : document.entries)
    if (!EntryIsUtf8(entry)) {
      fault.line = entry.line;
      fault.what = u"an escape makes text that is not UTF-8";
      return false;
    }
  return true;
}

// An entry is known by its context (or that it has none) and its msgid.
struct EntryKeyHash {
  size_t operator()(const PoEntry* entry) const {
    const std::hash<std::string_view> hash;
    return hash(entry->id) * 31 + (entry->hasContext ? hash(entry->context) + 1 : 0);
  }
};
struct EntryKeyEqual {
  bool operator()(const PoEntry* a, const PoEntry* b) const {
    return a->hasContext == b->hasContext && a->id == b->id && (!a->hasContext || a->context == b->context);
  }
};

bool CheckDuplicates(const PoDocument& document, PoFault& fault) {
  std::unordered_set<const PoEntry*, EntryKeyHash, EntryKeyEqual> keys;
  keys.reserve(document.entries.size());
  for (const PoEntry& entry : document.entries) {
    if (entry.obsolete) continue;
    if (!keys.insert(&entry).second) {
      fault.line = entry.line;
      fault.what = u"duplicate message definition";
      return false;
    }
  }
  return true;
}

void AppendEscaped(std::string& out, std::string_view text) {
  size_t from = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    char escape = 0;
    switch (c) {
      case '\\': escape = '\\'; break;
      case '"': escape = '"'; break;
      case '\n': escape = 'n'; break;
      case '\t': escape = 't'; break;
      case '\r': escape = 'r'; break;
      case '\a': escape = 'a'; break;
      case '\b': escape = 'b'; break;
      case '\f': escape = 'f'; break;
      case '\v': escape = 'v'; break;
      default: continue;
    }
    out.append(text.data() + from, i - from);
    out += '\\';
    out += escape;
    from = i + 1;
  }
  out.append(text.data() + from, text.size() - from);
}

// keyword "text", or keyword "" and one line after each "\n" when a line
// break stands before the text's end.
void WriteField(std::string& out, std::string_view prefix, std::string_view keyword, std::string_view text) {
  out += prefix;
  out += keyword;
  out += ' ';
  const size_t newline = text.find('\n');
  if (newline == std::string_view::npos || newline + 1 == text.size()) {
    out += '"';
    AppendEscaped(out, text);
    out += "\"\n";
    return;
  }
  out += "\"\"\n";
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const size_t take = end == std::string_view::npos ? text.size() : end + 1;
    out += prefix;
    out += '"';
    AppendEscaped(out, text.substr(0, take));
    out += "\"\n";
    text.remove_prefix(take);
  }
}

void WriteComments(std::string& out, std::string_view marker, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    out += marker;
    if (!line.empty()) {
      out += ' ';
      out += line;
    }
    out += '\n';
  }
}

void WriteEntry(std::string& out, const PoEntry& entry) {
  WriteComments(out, "#", entry.translatorComments);
  WriteComments(out, "#.", entry.extractedComments);
  WriteComments(out, "#:", entry.references);
  if (!entry.flags.empty()) {
    out += "#, ";
    for (size_t i = 0; i < entry.flags.size(); ++i) {
      if (i) out += ", ";
      out += entry.flags[i];
    }
    out += '\n';
  }
  const std::string_view previous = entry.obsolete ? "#~| " : "#| ";
  if (entry.hasPreviousContext) WriteField(out, previous, "msgctxt", entry.previousContext);
  if (entry.hasPreviousId) WriteField(out, previous, "msgid", entry.previousId);
  if (entry.hasPreviousIdPlural) WriteField(out, previous, "msgid_plural", entry.previousIdPlural);
  const std::string_view prefix = entry.obsolete ? "#~ " : "";
  if (entry.hasContext) WriteField(out, prefix, "msgctxt", entry.context);
  WriteField(out, prefix, "msgid", entry.id);
  if (entry.hasPlural) {
    WriteField(out, prefix, "msgid_plural", entry.idPlural);
    for (size_t i = 0; i < entry.strings.size(); ++i)
      WriteField(out, prefix, "msgstr[" + std::to_string(i) + "]", entry.strings[i]);
  } else {
    WriteField(out, prefix, "msgstr", entry.strings.empty() ? std::string_view() : entry.strings[0]);
  }
}

}  // namespace

bool HasFlag(const PoEntry& entry, std::string_view flag) {
  return std::find(entry.flags.begin(), entry.flags.end(), flag) != entry.flags.end();
}

bool IsHeader(const PoEntry& entry) { return !entry.hasContext && entry.id.empty() && !entry.obsolete; }

std::string PoHeaderField(std::string_view header, std::string_view name) {
  const FieldValue value = FindHeaderField(header, name);
  if (value.at == std::string_view::npos) return std::string();
  return std::string(Trim(header.substr(value.at, value.size)));
}

bool ReadPoDocument(std::string_view bytes, PoDocument& document, PoFault& fault, size_t maxBytes, bool comments) {
  document.entries.clear();
  if (bytes.size() > maxBytes) {
    fault.line = LineAt(bytes, maxBytes);
    fault.what = u"the file is too large";
    return false;
  }
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);  // a byte order mark some editors write
  bool escapedHighByte = false;
  if (!Parse(bytes, Charset::Utf8, comments, document, fault, escapedHighByte)) return false;

  Charset charset = Charset::Utf8;
  if (!document.entries.empty() && IsHeader(document.entries[0]) && !document.entries[0].strings.empty()) {
    const PoEntry& header = document.entries[0];
    const std::string type = PoHeaderField(header.strings[0], "Content-Type");
    const FieldValue found = FindCharsetName(type);
    const std::string name = found.at == std::string_view::npos ? std::string() : type.substr(found.at, found.size);
    charset = CharsetNamed(name);
    if (charset == Charset::Unknown) {
      fault.line = header.line;
      fault.what = u"the charset " + Utf8ToWide(name) + u" cannot be converted";
      document.entries.clear();
      return false;
    }
  }
  if (charset == Charset::Utf8) {
    if (const size_t bad = FirstInvalidUtf8Line(bytes)) {
      fault.line = bad;
      fault.what = u"invalid UTF-8";
      document.entries.clear();
      return false;
    }
  } else if (!Parse(SingleByteToUtf8(bytes, charset), charset, comments, document, fault, escapedHighByte)) {
    return false;
  } else if (!document.entries.empty() && IsHeader(document.entries[0]) && !document.entries[0].strings.empty()) {
    DeclareUtf8(document.entries[0]);
  }
  if ((escapedHighByte && !EscapesMadeUtf8(document, fault)) || !CheckDuplicates(document, fault)) {
    document.entries.clear();
    return false;
  }
  return true;
}

std::string WritePoDocument(const PoDocument& document) {
  std::string out;
  for (size_t i = 0; i < document.entries.size(); ++i) {
    if (i) out += '\n';
    WriteEntry(out, document.entries[i]);
  }
  return out;
}
