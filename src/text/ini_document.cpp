#include "text/ini_document.h"

#include <string>

// The file is parsed as a run of code units: the bytes themselves for the
// narrow encodings (every character the grammar cares about is ASCII, and
// ASCII bytes never occur inside a UTF-8 sequence), the 16-bit units for
// UTF-16LE. Names and values are decoded from their unit ranges; a write
// splices encoded units into the run and re-encodes nothing else, so every
// byte it does not replace stays as it was.

namespace {

enum class ProfileEncoding { Ansi, Utf8, Utf16le };

struct ProfileText {
  ProfileEncoding encoding = ProfileEncoding::Ansi;
  std::u16string units;
  size_t bodyStart = 0;          // past a UTF-8 byte order mark
  std::vector<uint8_t> trailer;  // an odd last byte of a UTF-16LE file
};

ProfileText DecodeProfileBytes(std::span<const uint8_t> bytes) {
  ProfileText text;
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    text.encoding = ProfileEncoding::Utf16le;
    const size_t units = (bytes.size() - 2) / 2;
    text.units.reserve(units);
    for (size_t i = 0; i < units; ++i)
      text.units.push_back(static_cast<char16_t>(bytes[2 + 2 * i] | bytes[3 + 2 * i] << 8));
    if (bytes.size() % 2) text.trailer.push_back(bytes.back());
    return text;
  }
  const std::string_view narrow(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  // An empty file says nothing about its encoding: it is written like a new one.
  text.encoding = !narrow.empty() && IsValidUtf8(narrow) ? ProfileEncoding::Utf8 : ProfileEncoding::Ansi;
  text.units.assign(bytes.begin(), bytes.end());
  if (text.encoding == ProfileEncoding::Utf8 && narrow.starts_with("\xEF\xBB\xBF")) text.bodyStart = 3;
  return text;
}

std::vector<uint8_t> EncodeProfileBytes(const ProfileText& text) {
  std::vector<uint8_t> out;
  if (text.encoding == ProfileEncoding::Utf16le) {
    out.reserve(2 + 2 * text.units.size() + text.trailer.size());
    for (const char16_t unit : u"\uFEFF" + text.units) {
      out.push_back(static_cast<uint8_t>(unit));
      out.push_back(static_cast<uint8_t>(unit >> 8));
    }
    out.insert(out.end(), text.trailer.begin(), text.trailer.end());
  } else {
    out.reserve(text.units.size());
    for (char16_t unit : text.units) out.push_back(static_cast<uint8_t>(unit));
  }
  return out;
}

WString DecodeUnits(const ProfileText& text, size_t from, size_t to) {
  if (text.encoding == ProfileEncoding::Utf16le) return text.units.substr(from, to - from);
  std::string narrow;
  narrow.reserve(to - from);
  for (size_t i = from; i < to; ++i) narrow.push_back(static_cast<char>(text.units[i]));
  return text.encoding == ProfileEncoding::Utf8 ? Utf8ToWide(narrow) : AnsiToWide(narrow);
}

std::u16string EncodeUnits(const ProfileText& text, WStringView value) {
  if (text.encoding == ProfileEncoding::Utf16le) return std::u16string(value);
  const std::string narrow = text.encoding == ProfileEncoding::Utf8 ? WideToUtf8(value) : WideToAnsi(value);
  std::u16string units;
  units.reserve(narrow.size());
  for (char c : narrow) units.push_back(static_cast<uint8_t>(c));
  return units;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f'; }

enum class LineKind { Other, Section, Entry };

struct ProfileLine {
  LineKind kind = LineKind::Other;
  size_t start = 0;
  size_t contentEnd = 0;  // before the line end
  size_t end = 0;         // after the line end
  size_t nameFrom = 0, nameTo = 0;    // section name or key, blanks dropped
  size_t valueFrom = 0, valueTo = 0;  // value with its quotes, blanks dropped
  bool hasEquals = false;
};

void TrimRange(const std::u16string& units, size_t& from, size_t& to) {
  while (from < to && IsBlank(units[from])) ++from;
  while (to > from && IsBlank(units[to - 1])) --to;
}

ProfileLine ParseLine(const std::u16string& units, size_t start, size_t contentEnd, size_t end) {
  ProfileLine line;
  line.start = start;
  line.contentEnd = contentEnd;
  line.end = end;
  size_t from = start, to = contentEnd;
  TrimRange(units, from, to);
  if (from == to || units[from] == u';') return line;
  if (units[from] == u'[') {
    const size_t close = units.rfind(u']', to - 1);
    if (close != std::u16string::npos && close > from) {
      line.kind = LineKind::Section;
      line.nameFrom = from + 1;
      line.nameTo = close;
      TrimRange(units, line.nameFrom, line.nameTo);
      return line;
    }
  }
  size_t equals = from;
  while (equals < to && units[equals] != u'=') ++equals;
  line.nameFrom = from;
  line.nameTo = equals;
  TrimRange(units, line.nameFrom, line.nameTo);
  if (line.nameFrom == line.nameTo) return line;  // "=value": no key
  line.kind = LineKind::Entry;
  line.hasEquals = equals < to;
  line.valueFrom = line.hasEquals ? equals + 1 : to;
  line.valueTo = to;
  TrimRange(units, line.valueFrom, line.valueTo);
  if (line.valueFrom == line.valueTo) line.valueFrom = line.valueTo = line.hasEquals ? equals + 1 : line.nameTo;
  return line;
}

std::vector<ProfileLine> SplitLines(const ProfileText& text) {
  std::vector<ProfileLine> lines;
  const std::u16string& units = text.units;
  size_t start = text.bodyStart;
  while (start < units.size()) {
    size_t lf = units.find(u'\n', start);
    const size_t end = lf == std::u16string::npos ? units.size() : lf + 1;
    size_t contentEnd = lf == std::u16string::npos ? units.size() : lf;
    if (contentEnd > start && units[contentEnd - 1] == u'\r') --contentEnd;
    lines.push_back(ParseLine(units, start, contentEnd, end));
    start = end;
  }
  return lines;
}

// The value as the reading functions give it: one pair of matching quotes
// around it removed.
WString ReadValue(const ProfileText& text, const ProfileLine& line) {
  size_t from = line.valueFrom, to = line.valueTo;
  if (to - from >= 2) {
    const char16_t first = text.units[from];
    if ((first == u'"' || first == u'\'') && text.units[to - 1] == first) ++from, --to;
  }
  return DecodeUnits(text, from, to);
}

void BuildDocument(const ProfileText& text, const std::vector<ProfileLine>& lines, ProfileDocument& doc) {
  doc = ProfileDocument();
  ProfileDocument::Section* current = nullptr;
  for (const ProfileLine& line : lines) {
    if (line.kind == LineKind::Section) {
      doc.sections.emplace_back();
      current = &doc.sections.back();
      current->name = DecodeUnits(text, line.nameFrom, line.nameTo);
      doc.sectionIndex.emplace(NameToUpper(current->name), doc.sections.size() - 1);
    } else if (line.kind == LineKind::Entry && current) {
      current->entries.push_back({DecodeUnits(text, line.nameFrom, line.nameTo), ReadValue(text, line)});
      current->keyIndex.emplace(NameToUpper(current->entries.back().key), current->entries.size() - 1);
    }
  }
}

const ProfileDocument::Section* FindSection(const ProfileDocument& doc, WStringView name) {
  const auto it = doc.sectionIndex.find(NameToUpper(name));
  return it == doc.sectionIndex.end() ? nullptr : &doc.sections[it->second];
}

// The line end the file already uses (its first one), CR LF when it has none.
std::u16string LineEndOf(const ProfileText& text) {
  const size_t lf = text.units.find(u'\n', text.bodyStart);
  if (lf != std::u16string::npos && (lf == 0 || text.units[lf - 1] != u'\r')) return u"\n";
  return u"\r\n";
}

bool SameName(const ProfileText& text, size_t from, size_t to, WStringView name) {
  return EqualsNoCase(DecodeUnits(text, from, to), name);
}

// Splices the write into the text: the first matching key's value replaced,
// else the key added after the last key of the first matching section, else
// the section added at the end.
void SpliceValue(ProfileText& text, WStringView section, WStringView key, WStringView value) {
  const std::vector<ProfileLine> lines = SplitLines(text);
  const std::u16string eol = LineEndOf(text);
  const std::u16string entry = EncodeUnits(text, key) + u"=" + EncodeUnits(text, value);
  size_t i = 0;
  while (i < lines.size() &&
         !(lines[i].kind == LineKind::Section && SameName(text, lines[i].nameFrom, lines[i].nameTo, section)))
    ++i;
  if (i == lines.size()) {
    std::u16string added;
    if (text.units.size() > text.bodyStart && text.units.back() != u'\n') added += eol;
    added += u"[" + EncodeUnits(text, section) + u"]" + eol + entry + eol;
    text.units += added;
    return;
  }
  size_t last = i;  // the header, or the section's last key line
  for (size_t j = i + 1; j < lines.size() && lines[j].kind != LineKind::Section; ++j) {
    if (lines[j].kind != LineKind::Entry) continue;
    if (SameName(text, lines[j].nameFrom, lines[j].nameTo, key)) {
      const ProfileLine& line = lines[j];
      const std::u16string encoded = EncodeUnits(text, value);
      if (line.hasEquals)
        text.units.replace(line.valueFrom, line.valueTo - line.valueFrom, encoded);
      else
        text.units.insert(line.nameTo, u"=" + encoded);
      return;
    }
    last = j;
  }
  const ProfileLine& after = lines[last];
  if (after.end == after.contentEnd)  // the file's last line, without a line end
    text.units.insert(after.end, eol + entry);
  else
    text.units.insert(after.end, entry + eol);
}

}  // namespace

void ParseProfile(std::span<const uint8_t> bytes, ProfileDocument& doc) {
  const ProfileText text = DecodeProfileBytes(bytes);
  BuildDocument(text, SplitLines(text), doc);
}

std::vector<WString> ProfileSectionNames(const ProfileDocument& doc) {
  std::vector<WString> names;
  names.reserve(doc.sections.size());
  for (const auto& section : doc.sections) names.push_back(section.name);
  return names;
}

std::vector<WString> ProfileKeyNames(const ProfileDocument& doc, WStringView section) {
  std::vector<WString> names;
  if (const auto* found = FindSection(doc, section)) {
    names.reserve(found->entries.size());
    for (const auto& entry : found->entries) names.push_back(entry.key);
  }
  return names;
}

bool ProfileValue(const ProfileDocument& doc, WStringView section, WStringView key, WString& value) {
  const auto* found = FindSection(doc, section);
  if (!found) return false;
  const auto it = found->keyIndex.find(NameToUpper(key));
  if (it == found->keyIndex.end()) return false;
  value = found->entries[it->second].value;
  return true;
}


std::vector<uint8_t> SetProfileValue(std::span<const uint8_t> bytes, WStringView section, WStringView key,
                                     WStringView value) {
  ProfileText text = DecodeProfileBytes(bytes);
  SpliceValue(text, section, key, value);
  return EncodeProfileBytes(text);
}
