#include "lngfile/conversion.h"

#include <array>

#include "lngfile/dialog_template.h"
#include "lngfile/language_file.h"
#include "lngfile/menu_template.h"
#include "lngfile/string_block.h"

int g_conversionMode = 0;

namespace {

struct Substitution {
  WStringView search;
  WStringView replacement;
};

// US to British spellings (en-gb); every replacement shares the first two
// letters of its search text.
constexpr std::array<Substitution, 9> kToBritish = {{
    {u"qualizer", u"qualiser"},
    {u"color", u"colour"},
    {u"lization", u"lisation"},
    {u"lyzer", u"lyser"},
    {u"mize", u"mise"},
    {u"lize", u"lise"},
    {u"lizi", u"lisi"},
    {u"minimized", u"minimised"},
    {u"riza", u"risa"},
}};

// British to US spellings (en-us).
constexpr std::array<Substitution, 9> kToAmerican = {{
    {u"qualiser", u"qualizer"},
    {u"colour", u"color"},
    {u"lisation", u"lization"},
    {u"lyser", u"lyzer"},
    {u"mise", u"mize"},
    {u"lise", u"lize"},
    {u"lisi", u"lizi"},
    {u"minimised", u"minimized"},
    {u"risa", u"riza"},
}};

bool SameLetter(char16_t a, char16_t b) { return NameUpper(a) == NameUpper(b); }

// The first case-insensitive match of a table row's search text in `text`
// from `from` on (FindNoCase's folding). The search texts are ASCII, and
// only the two ASCII cases of a letter fold to it, so a position is
// compared in full only when its first character is one of them.
size_t FindRow(WStringView text, WStringView search, size_t from) {
  const char16_t lower = AsciiLower(search[0]);
  const char16_t upper = (lower >= u'a' && lower <= u'z') ? static_cast<char16_t>(lower - 32) : lower;
  const size_t length = search.size();
  for (size_t i = from; i < text.size() && text.size() - i >= length; ++i) {
    if (text[i] != lower && text[i] != upper) continue;
    size_t k = 1;
    while (k < length && SameLetter(text[i + k], search[k])) ++k;
    if (k == length) return i;
  }
  return WString::npos;
}

// One table row over the whole text, starting at its first match `first`.
// The rule being reproduced: find the first case-insensitive match;
// replace it by its own first two characters followed by the replacement
// from its third character on; search again from the match's second
// character; repeat. Everything before that second character is final
// after a replacement, so it goes to `out`; `carry` holds the rest of the
// replaced text, which is searched again before (and together with) the
// untouched input from `next` on. That keeps each row linear in the
// length of the text.
// `out` is cleared first; its capacity is reused from row to row.
void ApplySubstitution(WStringView text, const Substitution& row, size_t first, WString& out) {
  const WStringView search = row.search;
  const size_t length = search.size();
  WString carry;
  out.clear();
  out.reserve(text.size() + text.size() / 8 + 16);
  size_t next = 0;
  // The character at position i of carry followed by text[next:].
  auto at = [&](size_t i) -> char16_t { return i < carry.size() ? carry[i] : text[next + i - carry.size()]; };
  const auto virtualSize = [&] { return carry.size() + (text.size() - next); };
  size_t match = first;
  while (match != WString::npos) {
    const char16_t head = at(match), second = at(match + 1);
    if (match >= carry.size()) {
      out.append(carry);
      out.append(text.substr(next, match - carry.size()));
    } else {
      out.append(carry, 0, match);
    }
    out.push_back(head);
    WString rest(1, second);
    rest.append(row.replacement.substr(2));
    const size_t end = match + length;  // first position after the match
    if (end <= carry.size()) {
      rest.append(carry, end);
    } else {
      next += end - carry.size();
    }
    carry = std::move(rest);

    match = WString::npos;
    for (size_t start = 0; start < carry.size() && start + length <= virtualSize(); ++start) {
      size_t k = 0;
      while (k < length && SameLetter(at(start + k), search[k])) ++k;
      if (k == length) {
        match = start;
        break;
      }
    }
    if (match == WString::npos) {
      const size_t found = FindRow(text, search, next);
      if (found != WString::npos) match = carry.size() + (found - next);
    }
  }
  out.append(carry);
  out.append(text.substr(next));
}

char16_t LeetOf(char16_t c) {
  switch (AsciiLower(c)) {
    case u'a': return u'4';
    case u'b': return u'8';
    case u'e': return u'3';
    case u'l': return u'1';
    case u'o': return u'0';
    case u's': return u'5';
    case u't': return u'7';
    case u'z': return u'2';
    default: return c;
  }
}

// en-L337: letters to digits, except the character right after a run of
// "%", so that format directives such as %s and %d survive.
WString ConvertToLeet(WStringView text) {
  WString out(text);
  bool afterPercent = false;
  for (char16_t& c : out) {
    if (c == u'%') {
      afterPercent = true;
    } else if (afterPercent) {
      afterPercent = false;
    } else {
      c = LeetOf(c);
    }
  }
  return out;
}

// ConvertText on a text the caller hands over, so that a long one is not
// copied once more.
WString ConvertOwnText(WString text) {
  if (text.empty() || g_conversionMode < 1 || g_conversionMode > 3) return text;
  if (g_conversionMode == 3) return ConvertToLeet(text);
  const auto& table = g_conversionMode == 1 ? kToBritish : kToAmerican;
  WString spare;
  for (const Substitution& row : table) {
    const size_t first = FindRow(text, row.search, 0);
    if (first == WString::npos) continue;
    ApplySubstitution(text, row, first, spare);
    text.swap(spare);
  }
  return text;
}

std::vector<uint8_t> Unchanged(ByteSpan data) { return std::vector<uint8_t>(data.begin(), data.end()); }

// Converts the part of a text before its first zero character and keeps
// the rest, so that nothing after an embedded zero is lost.
WString ConvertBeforeZero(const WString& text) {
  const size_t zero = text.find(u'\0');
  if (zero == 0) return text;
  if (zero == WString::npos) return ConvertText(text);
  WString out = ConvertText(WStringView(text).substr(0, zero));
  out.append(text, zero);
  return out;
}

std::vector<uint8_t> RebuildDialogTemplate(ByteSpan data) {
  DialogTemplate dialog;
  if (!ReadDialogTemplate(data, dialog) || dialog.truncated) return Unchanged(data);
  dialog.title = ConvertText(dialog.title);
  for (DialogItem& item : dialog.items)
    if (!item.title.isOrdinal) item.title.name = ConvertText(item.title.name);
  return WriteDialogTemplate(dialog);
}

}  // namespace

Cursor ReadLanguageOption(Cursor cursor, WString& token, WStringView endA, WStringView endB) {
  if (!cursor || !*cursor) return cursor;
  const WString next = CopyToken(cursor);
  if (EqualsAsciiNoCase(next, endA) || EqualsAsciiNoCase(next, endB) || (!next.empty() && next[0] == u'/'))
    return cursor;
  token = next;
  cursor = NextToken(SkipSpaces(cursor));
  if (StartsWithAsciiNoCase(token, u"en-us"))
    g_conversionMode = 2;
  else if (StartsWithAsciiNoCase(token, u"en-gb"))
    g_conversionMode = 1;
  else if (StartsWithAsciiNoCase(token, u"en-L337"))
    g_conversionMode = 3;
  return cursor;
}

WString ConvertText(WStringView text) { return ConvertOwnText(WString(text)); }

bool IsTextUnicode(ByteSpan data) {
  const size_t n = data.size() < 4 ? data.size() : 4;
  if (n >= 2 && data[0] == 0xFF && data[1] == 0xFE) return true;
  if (n >= 2 && data[0] == 0xFE && data[1] == 0xFF) return false;
  if (n < 2 || n % 2 != 0) return false;
  for (size_t i = 0; i < n; i += 2) {
    const unsigned unit = data[i] | (data[i + 1] << 8);
    if (unit == 0x0000 || unit == 0xFFFF) return false;
  }
  for (size_t i = 0; i + 1 < n; ++i)
    if (data[i] == 0) return true;
  return false;
}

std::vector<uint8_t> RebuildStringTable(ByteSpan data, uint32_t blockNumber) {
  StringBlock block;
  if (!ReadStringBlock(data, block)) return Unchanged(data);
  for (uint32_t position = 0; position < block.strings.size(); ++position) {
    const uint32_t id = StringIdOf(blockNumber, position);
    if (id == 0xFFFE || id == 0xFFFF) continue;  // 65535 holds the pack-list GUID
    WString converted = ConvertBeforeZero(block.strings[position]);
    if (converted.size() <= 0xFFFF) block.strings[position] = std::move(converted);
  }
  return WriteStringBlock(block);
}

std::vector<uint8_t> RebuildMenu(ByteSpan data) {
  MenuTemplate menu;
  if (!ReadMenuTemplate(data, menu) || menu.truncated) return Unchanged(data);
  for (MenuItem& item : menu.items) item.text = ConvertText(item.text);
  return WriteMenuTemplate(menu);
}

std::vector<uint8_t> RebuildMenuEx(ByteSpan data) {
  MenuExTemplate menu;
  if (!ReadMenuExTemplate(data, menu) || menu.truncated) return Unchanged(data);
  for (MenuExItem& item : menu.items) {
    if ((item.id & 0xFFFF0000u) == 0xFFFF0000u && (item.id & 0xFFFFu) != 0) {
      item.id &= 0xFFFFu;
      g_menuexFixed = true;
    }
    item.text = ConvertText(item.text);
  }
  // Written in the template's own layout: every item padded to 4 bytes,
  // the last one too (a lone byte of a cut padding is dropped).
  if (menu.unpaddedEnd) {
    menu.unpaddedEnd = false;
    menu.trailing.clear();
  }
  return WriteMenuExTemplate(menu);
}

std::vector<uint8_t> RebuildDialog(ByteSpan data) { return RebuildDialogTemplate(data); }
std::vector<uint8_t> RebuildDialogEx(ByteSpan data) { return RebuildDialogTemplate(data); }

std::vector<uint8_t> ConvertTextResource(ByteSpan data) {
  std::vector<uint8_t> out;
  size_t end = 0;  // where the text stops: its first zero character, or the data's end
  if (IsTextUnicode(data)) {
    WString text;
    for (; data.size() - end >= 2; end += 2) {
      const auto c = static_cast<char16_t>(data[end] | (data[end + 1] << 8));
      if (c == 0) break;
      text.push_back(c);
    }
    PutWide(out, ConvertOwnText(std::move(text)), false);
  } else {
    while (end < data.size() && data[end] != 0) ++end;
    const std::string narrow(reinterpret_cast<const char*>(data.data()), end);
    const std::string converted = WideToAnsi(ConvertOwnText(AnsiToWide(narrow)));
    out.assign(converted.begin(), converted.end());
  }
  out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(end), data.end());
  return out;
}
