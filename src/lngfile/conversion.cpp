#include "lngfile/conversion.h"

#include <array>
#include <span>

#include "lngfile/dialog_template.h"
#include "lngfile/menu_template.h"
#include "lngfile/string_block.h"

namespace {

struct Substitution {
  WStringView search;
  WStringView replacement;
};
using SubstitutionTable = std::array<Substitution, 9>;

// US to British spellings (en-gb), in the order they are applied; every
// replacement shares the first two letters of its search text.
constexpr SubstitutionTable kToBritish = {{
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

// British to US spellings (en-us): the same rows the other way round.
constexpr SubstitutionTable Reversed(const SubstitutionTable& table) {
  SubstitutionTable out{};
  for (size_t i = 0; i < table.size(); ++i) out[i] = {table[i].replacement, table[i].search};
  return out;
}
constexpr SubstitutionTable kToAmerican = Reversed(kToBritish);

// The search texts are ASCII lower case, and only the two ASCII cases of a
// letter fold to one of them (FindNoCase's folding adds Latin-1 letters,
// none of which folds to ASCII), so ASCII folding finds the same matches.
char16_t FoldAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool MatchesAt(WStringView text, size_t at, WStringView search) {
  if (text.size() - at < search.size()) return false;
  for (size_t k = 0; k < search.size(); ++k)
    if (FoldAscii(text[at + k]) != search[k]) return false;
  return true;
}

// The first position at which any row of the table matches; npos when no
// row matches anywhere.
size_t FirstMatch(WStringView text, const SubstitutionTable& table) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = FoldAscii(text[i]);
    for (const Substitution& row : table)
      if (row.search[0] == c && MatchesAt(text, i, row.search)) return i;
  }
  return WString::npos;
}

// The rule being reproduced, row after row, each row over the result of
// the one before: find the first case-insensitive match; replace it by its
// own first two characters followed by the replacement from its third
// character on; search again from the match's second character; repeat.
// That is one row checked at every position from left to right over the
// text as it is being changed, and a position is final once the row has
// been checked there. So the rows run as a pipeline of stages over one
// pass of the text, a piece at a time: each stage holds the text from its
// position on as far as the stage before has given it, checks its row at
// every position for which it holds a search text's length (or the end),
// and hands what it has checked on to the next stage.
struct RowStage {
  const Substitution* row = nullptr;
  WString window;   // the text from the stage's position on, as far as it has come
  size_t head = 0;  // the stage's position in `window`
};
constexpr size_t kPiece = 512;  // characters fed into the pipeline at a time

void Feed(std::span<RowStage> stages, size_t k, WStringView piece, WString& out);

void Advance(std::span<RowStage> stages, size_t k, WString& out, bool atEnd) {
  RowStage& stage = stages[k];
  const WStringView search = stage.row->search;
  const WStringView tail = stage.row->replacement.substr(2);
  WString& window = stage.window;
  // The positions that hold a whole search text's length, or all at the end.
  auto limit = [&] { return atEnd ? window.size() : window.size() + 1 > search.size() ? window.size() + 1 - search.size() : 0; };
  size_t i = stage.head;
  for (size_t end = limit(); i < end; ++i) {
    if (FoldAscii(window[i]) != search[0] || !MatchesAt(window, i, search)) continue;
    window.replace(i + 2, search.size() - 2, tail);
    end = limit();
  }
  if (i == stage.head) return;
  Feed(stages, k + 1, WStringView(window).substr(stage.head, i - stage.head), out);
  stage.head = i;
  if (stage.head * 2 > window.size()) {
    window.erase(0, stage.head);
    stage.head = 0;
  }
}

void Feed(std::span<RowStage> stages, size_t k, WStringView piece, WString& out) {
  if (k == stages.size()) {
    out.append(piece);
    return;
  }
  stages[k].window.append(piece);
  Advance(stages, k, out, false);
}

WString Substitute(WString text, const SubstitutionTable& table) {
  const size_t first = FirstMatch(text, table);
  // No row matching anywhere, no row changes anything.
  if (first == WString::npos) return text;
  // A stage changes only characters at least two after one of its
  // matches, and matches only where the text as the stages before left it
  // differs from the input within its search text's length, so nothing
  // before `first` less the sum of the search lengths can change: that
  // part goes out as it stands.
  size_t reach = 0;
  for (const Substitution& row : table) reach += row.search.size();
  const size_t start = first > reach ? first - reach : 0;
  if (text.size() - start <= kPiece) {
    // A short text: the rule itself, row after row, in place.
    for (const Substitution& row : table)
      for (size_t i = start; i < text.size(); ++i)
        if (FoldAscii(text[i]) == row.search[0] && MatchesAt(text, i, row.search))
          text.replace(i + 2, row.search.size() - 2, row.replacement.substr(2));
    return text;
  }
  std::array<RowStage, std::tuple_size_v<SubstitutionTable>> stages;
  for (size_t k = 0; k < stages.size(); ++k) stages[k].row = &table[k];
  WString out(text, 0, start);
  out.reserve(text.size() + text.size() / 8 + 16);
  const WStringView rest = WStringView(text).substr(start);
  for (size_t at = 0; at < rest.size(); at += kPiece) Feed(stages, 0, rest.substr(at, kPiece), out);
  for (size_t k = 0; k < stages.size(); ++k) Advance(stages, k, out, true);
  return out;
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

std::vector<uint8_t> RebuildDialogTemplate(ByteSpan data, int mode) {
  DialogTemplate dialog;
  if (!ReadDialogTemplate(data, dialog) || dialog.truncated) return Unchanged(data);
  dialog.title = ConvertText(dialog.title, mode);
  for (DialogItem& item : dialog.items) {
    if (!item.title.isOrdinal) item.title.name = ConvertText(item.title.name, mode);
    item.alignBefore.clear();
  }
  return WriteDialogTemplate(dialog);
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
  for (MenuExItem& item : menu.items) {
    if ((item.id & 0xFFFF0000u) == 0xFFFF0000u && (item.id & 0xFFFFu) != 0) {
      item.id &= 0xFFFFu;
      fixed = true;
    }
    item.text = ConvertText(item.text, mode);
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
    const std::string narrow(reinterpret_cast<const char*>(data.data()), end);
    const std::string converted = WideToAnsi(ConvertOwnText(AnsiToWide(narrow), mode));
    out.assign(converted.begin(), converted.end());
  }
  return out;
}
