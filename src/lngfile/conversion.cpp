#include "lngfile/conversion.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>

#include "lngfile/dialog_template.h"
#include "lngfile/menu_template.h"
#include "lngfile/resource_texts.h"
#include "lngfile/string_block.h"

namespace {

struct Substitution {
  std::string_view search;
  std::string_view replacement;
};
using SubstitutionTable = std::array<Substitution, 9>;

// US to British spellings (en-gb), in the order they are applied; every
// replacement shares the first two letters of its search text.
constexpr SubstitutionTable kToBritish = {{
    {"qualizer", "qualiser"},
    {"color", "colour"},
    {"lization", "lisation"},
    {"lyzer", "lyser"},
    {"mize", "mise"},
    {"lize", "lise"},
    {"lizi", "lisi"},
    {"minimized", "minimised"},
    {"riza", "risa"},
}};

// British to US spellings (en-us): the same rows the other way round.
constexpr SubstitutionTable Reversed(const SubstitutionTable& table) {
  SubstitutionTable out{};
  for (size_t i = 0; i < table.size(); ++i) out[i] = {table[i].replacement, table[i].search};
  return out;
}
constexpr SubstitutionTable kToAmerican = Reversed(kToBritish);

// The rule, row after row, each row over the result of the one before:
// find the first case-insensitive match; replace it by its own first two
// characters followed by the replacement from its third character on;
// search again from the match's second character; repeat.
//
// Right after a replacement the text from the match on reads, folded, as
// the replacement itself. When no search text can start inside a
// replacement (agreeing with the rest of it), the next match starts after
// it, so a row's matches are those of one left-to-right pass over the text
// as the row found it, each search resuming after the match. Every row of
// both tables has that property, checked here when compiling.
constexpr bool CanStartInsideReplacement(const Substitution& row) {
  for (size_t d = 1; d < row.replacement.size(); ++d) {
    const std::string_view rest = row.replacement.substr(d);
    const size_t n = rest.size() < row.search.size() ? rest.size() : row.search.size();
    if (rest.substr(0, n) == row.search.substr(0, n)) return true;
  }
  return false;
}

constexpr bool OnePassPerRow(const SubstitutionTable& table) {
  for (const Substitution& row : table)
    if (row.search.size() < 2 || row.replacement.substr(0, 2) != row.search.substr(0, 2) ||
        CanStartInsideReplacement(row))
      return false;
  return true;
}
static_assert(OnePassPerRow(kToBritish) && OnePassPerRow(kToAmerican));

// The text folded for matching, a byte per character: the search texts are
// ASCII lower case, and only the two ASCII cases of a letter fold to one of
// them (FindNoCase's folding adds Latin-1 letters, none of which folds to
// ASCII), so every other character becomes a byte that matches nothing.
std::string FoldedForMatching(WStringView text) {
  std::string folded(text.size(), '\x80');
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c < 0x80) folded[i] = static_cast<char>(c >= u'A' && c <= u'Z' ? c + 32 : c);
  }
  return folded;
}

// Replaces, at each of the ascending, non-overlapping match positions,
// the `length` characters from the third on by `tail` (ASCII). In place
// unless the text grows; a grown text is built at its exact size, since
// growing a string in place may double its buffer.
template <typename Char>
void ReplaceTails(std::basic_string<Char>& text, const std::vector<size_t>& matches, size_t length,
                  std::string_view tail) {
  const size_t cut = length - 2;
  if (tail.size() == cut) {
    for (size_t at : matches) std::copy(tail.begin(), tail.end(), text.begin() + at + 2);
    return;
  }
  // Growing, the result is built beside the text; shrinking, the text is
  // compacted from its first match on (what comes before stays).
  const bool grows = tail.size() > cut;
  std::basic_string<Char> grown;
  if (grows) grown.resize(text.size() + (tail.size() - cut) * matches.size());
  size_t from = grows ? 0 : matches.front();
  auto to = grows ? grown.begin() : text.begin() + from;
  for (size_t k = 0; k <= matches.size(); ++k) {
    const size_t next = k < matches.size() ? matches[k] + 2 : text.size();
    to = std::copy(text.begin() + from, text.begin() + next, to);
    if (k == matches.size()) break;
    to = std::copy(tail.begin(), tail.end(), to);
    from = next + cut;
  }
  if (grows)
    text = std::move(grown);
  else
    text.resize(to - text.begin());
}

// The first match of `search` (two characters at least) in the folded
// text from `from` on: the first character found by memchr, the second
// tested before the rest, since most texts hold the first letters of the
// search texts often and their first two letters together far less.
size_t FindFolded(const std::string& folded, std::string_view search, size_t from) {
  const char* text = folded.data();
  const size_t size = folded.size(), length = search.size();
  while (from + length <= size) {
    const void* hit = std::memchr(text + from, search[0], size - length + 1 - from);
    if (!hit) break;
    const size_t at = static_cast<size_t>(static_cast<const char*>(hit) - text);
    if (text[at + 1] == search[1] && std::memcmp(text + at + 2, search.data() + 2, length - 2) == 0) return at;
    from = at + 1;
  }
  return std::string::npos;
}

WString Substitute(WString text, const SubstitutionTable& table) {
  std::string folded = FoldedForMatching(text);
  std::vector<size_t> matches;
  for (const Substitution& row : table) {
    matches.clear();
    for (size_t at = FindFolded(folded, row.search, 0); at != std::string::npos;
         at = FindFolded(folded, row.search, at + row.search.size()))
      matches.push_back(at);
    if (matches.empty()) continue;
    const std::string_view tail = row.replacement.substr(2);
    ReplaceTails(text, matches, row.search.size(), tail);
    ReplaceTails(folded, matches, row.search.size(), tail);
  }
  return text;
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
WString ConvertToLeet(WString text) {
  bool afterPercent = false;
  for (char16_t& c : text) {
    if (c == u'%') {
      afterPercent = true;
    } else if (afterPercent) {
      afterPercent = false;
    } else {
      c = LeetOf(c);
    }
  }
  return text;
}

// ConvertText on a text the caller hands over, so that a long one is not
// copied once more.
WString ConvertOwnText(WString text, int mode) {
  if (text.empty()) return text;
  switch (mode) {
    case kConvertBritish: return Substitute(std::move(text), kToBritish);
    case kConvertAmerican: return Substitute(std::move(text), kToAmerican);
    case kConvertLeet: return ConvertToLeet(std::move(text));
    default: return text;
  }
}

std::vector<uint8_t> Unchanged(ByteSpan data) { return std::vector<uint8_t>(data.begin(), data.end()); }

// Converts the part of a text before its first zero character and keeps
// the rest, so that nothing after an embedded zero is lost.
WString ConvertBeforeZero(const WString& text, int mode) {
  const size_t zero = text.find(u'\0');
  if (zero == 0) return text;
  if (zero == WString::npos) return ConvertText(text, mode);
  WString out = ConvertText(WStringView(text).substr(0, zero), mode);
  out.append(text, zero);
  return out;
}

// A template whose texts changed, written back: alignment bytes kept as
// read fit the old texts only.
std::vector<uint8_t> WriteChangedDialog(DialogTemplate& dialog) {
  for (DialogItem& item : dialog.items) item.alignBefore.clear();
  return WriteDialogTemplate(dialog);
}

// The MENUEX fix too: an item identifier 0xFFFFnnnn with nnnn not 0
// becomes 0x0000nnnn.
std::vector<uint8_t> WriteChangedMenuEx(MenuExTemplate& menu, bool& fixed) {
  for (MenuExItem& item : menu.items) {
    if ((item.id & 0xFFFF0000u) == 0xFFFF0000u && (item.id & 0xFFFFu) != 0) {
      item.id &= 0xFFFFu;
      fixed = true;
    }
    item.textAlign.clear();
    item.endAlign.clear();
  }
  // Written in the template's own layout: every item padded to 4 bytes,
  // the last one too (a lone byte of a cut padding is dropped).
  if (menu.unpaddedEnd) {
    menu.unpaddedEnd = false;
    menu.trailing.clear();
  }
  return WriteMenuExTemplate(menu);
}

std::vector<uint8_t> RebuildDialogTemplate(ByteSpan data, int mode) {
  DialogTemplate dialog;
  if (!ReadDialogTemplate(data, dialog) || dialog.truncated) return Unchanged(data);
  dialog.title = ConvertText(dialog.title, mode);
  for (DialogItem& item : dialog.items)
    if (!item.title.isOrdinal) item.title.name = ConvertText(item.title.name, mode);
  return WriteChangedDialog(dialog);
}

// Puts the rule's translation of a text with a key in place of the text;
// true when it changed. The rule sees the text before an embedded zero,
// which is what the player shows.
bool PutTranslation(WString& text, const WString& key, TextKind kind, const TranslateText& rule) {
  if (key.empty()) return false;
  WString translation;
  if (!rule(key, kind, WStringView(text).substr(0, text.find(u'\0')), translation) || translation == text ||
      translation.size() > 0xFFFF)
    return false;
  text = std::move(translation);
  return true;
}

template <class Menu>
bool TranslateMenuItems(Menu& menu, const std::vector<WString>& keys, const TranslateText& rule) {
  bool changed = false;
  for (size_t i = 0; i < menu.items.size(); ++i)
    changed |= PutTranslation(menu.items[i].text, keys[i], TextKind::MenuItem, rule);
  return changed;
}

}  // namespace

Cursor ReadLanguageOption(Cursor cursor, WString& token, WStringView endA, WStringView endB, int& mode) {
  if (!cursor || !*cursor) return cursor;
  const WString next = CopyToken(cursor);
  if (EqualsAsciiNoCase(next, endA) || EqualsAsciiNoCase(next, endB) || (!next.empty() && next[0] == u'/'))
    return cursor;
  token = next;
  cursor = NextToken(SkipSpaces(cursor));
  if (StartsWithAsciiNoCase(token, u"en-us"))
    mode = kConvertAmerican;
  else if (StartsWithAsciiNoCase(token, u"en-gb"))
    mode = kConvertBritish;
  else if (StartsWithAsciiNoCase(token, u"en-L337"))
    mode = kConvertLeet;
  return cursor;
}

WString ConvertText(WStringView text, int mode) { return ConvertOwnText(WString(text), mode); }

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

std::vector<uint8_t> RebuildStringTable(ByteSpan data, uint32_t blockNumber, int mode) {
  StringBlock block;
  ReadStringBlock(data, block);
  if (block.truncated) return Unchanged(data);
  block.slotCount = block.strings.size();  // a missing block is 16 empty strings
  for (uint32_t position = 0; position < block.strings.size(); ++position) {
    const uint32_t id = StringIdOf(blockNumber, position);
    if (id == 0xFFFE || id == 0xFFFF) continue;  // 65535 holds the pack-list GUID
    WString converted = ConvertBeforeZero(block.strings[position], mode);
    if (converted.size() <= 0xFFFF) block.strings[position] = std::move(converted);
  }
  return WriteStringBlock(block);
}

std::vector<uint8_t> RebuildMenu(ByteSpan data, int mode) {
  MenuTemplate menu;
  if (!ReadMenuTemplate(data, menu) || menu.truncated) return Unchanged(data);
  for (MenuItem& item : menu.items) item.text = ConvertText(item.text, mode);
  return WriteMenuTemplate(menu);
}

std::vector<uint8_t> RebuildMenuEx(ByteSpan data, int mode, bool& fixed) {
  MenuExTemplate menu;
  if (!ReadMenuExTemplate(data, menu) || menu.truncated) return Unchanged(data);
  for (MenuExItem& item : menu.items) item.text = ConvertText(item.text, mode);
  return WriteChangedMenuEx(menu, fixed);
}

std::vector<uint8_t> RebuildDialog(ByteSpan data, int mode) { return RebuildDialogTemplate(data, mode); }
std::vector<uint8_t> RebuildDialogEx(ByteSpan data, int mode) { return RebuildDialogTemplate(data, mode); }

std::vector<uint8_t> ConvertTextResource(ByteSpan data, int mode) {
  std::vector<uint8_t> out;
  size_t end = 0;  // where the text stops: its first zero character, or the data's end
  if (IsTextUnicode(data)) {
    WString text;
    for (; data.size() - end >= 2; end += 2) {
      const auto c = static_cast<char16_t>(data[end] | (data[end + 1] << 8));
      if (c == 0) break;
      text.push_back(c);
    }
    PutWide(out, ConvertOwnText(std::move(text), mode), false);
    // Half a character at the very end is no part of the text, nor after it.
    if (data.size() - end == 1) out.push_back(data[end]);
  } else {
    while (end < data.size() && data[end] != 0) ++end;
    WString wide = AnsiToWide(std::string_view(reinterpret_cast<const char*>(data.data()), end));
    const std::string converted = WideToAnsi(ConvertOwnText(std::move(wide), mode));
    out.assign(converted.begin(), converted.end());
  }
  return out;
}

std::vector<uint8_t> TranslateStringTable(ByteSpan data, uint32_t blockNumber, const TranslateText& rule) {
  StringBlock block;
  ReadStringBlock(data, block);
  if (block.truncated) return Unchanged(data);
  bool changed = false;
  for (uint32_t position = 0; position < block.strings.size(); ++position) {
    const uint32_t id = StringIdOf(blockNumber, position);
    if (id != 0xFFFF && !block.strings[position].empty())
      changed |= PutTranslation(block.strings[position], StringTextKey(id), TextKind::String, rule);
  }
  if (!changed) return Unchanged(data);
  block.slotCount = block.strings.size();
  return WriteStringBlock(block);
}

std::vector<uint8_t> TranslateMenu(ByteSpan data, const ResId& name, const TranslateText& rule, bool& fixed) {
  if (IsMenuExTemplate(data)) {
    MenuExTemplate menu;
    if (!ReadMenuExTemplate(data, menu) || menu.truncated || !TranslateMenuItems(menu, MenuExTextKeys(name, menu), rule))
      return Unchanged(data);
    return WriteChangedMenuEx(menu, fixed);
  }
  MenuTemplate menu;
  if (!ReadMenuTemplate(data, menu) || menu.truncated || !TranslateMenuItems(menu, MenuTextKeys(name, menu), rule))
    return Unchanged(data);
  return WriteMenuTemplate(menu);
}

std::vector<uint8_t> TranslateDialog(ByteSpan data, const ResId& name, const TranslateText& rule) {
  DialogTemplate dialog;
  if (!ReadDialogTemplate(data, dialog) || dialog.truncated) return Unchanged(data);
  bool changed =
      !dialog.title.empty() && PutTranslation(dialog.title, DialogCaptionKey(name), TextKind::DialogCaption, rule);
  const std::vector<WString> keys = DialogControlKeys(name, dialog);
  for (size_t i = 0; i < dialog.items.size(); ++i)
    changed |= PutTranslation(dialog.items[i].title.name, keys[i], TextKind::DialogControl, rule);
  return changed ? WriteChangedDialog(dialog) : Unchanged(data);
}
