#include "diff/text_checks.h"

namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool IsFlag(char16_t c) { return c == u'-' || c == u'+' || c == u' ' || c == u'#' || c == u'0'; }

// The size prefix at `i`, moved past; what it says is kept as the bits an
// integer has and whether a character or string is narrow or wide.
struct SizePrefix {
  enum class Size { None, Char, Short, Long, LongLong, Int32, Int64, PointerSized, Wide, LongDouble } size = Size::None;
};

SizePrefix::Size ReadSize(WStringView text, size_t& i) {
  using Size = SizePrefix::Size;
  auto at = [&](size_t k) { return i + k < text.size() ? text[i + k] : u'\0'; };
  switch (at(0)) {
    case u'h':
      if (at(1) == u'h') { i += 2; return Size::Char; }
      ++i;
      return Size::Short;
    case u'l':
      if (at(1) == u'l') { i += 2; return Size::LongLong; }
      ++i;
      return Size::Long;
    case u'w': ++i; return Size::Wide;
    case u'L': ++i; return Size::LongDouble;
    case u'j': ++i; return Size::LongLong;
    case u'z':
    case u't': ++i; return Size::PointerSized;
    case u'I':
      if (at(1) == u'6' && at(2) == u'4') { i += 3; return Size::Int64; }
      if (at(1) == u'3' && at(2) == u'2') { i += 3; return Size::Int32; }
      ++i;
      return Size::PointerSized;
    default: return Size::None;
  }
}

unsigned IntegerBits(SizePrefix::Size size) {
  using Size = SizePrefix::Size;
  switch (size) {
    case Size::Char: return 8;
    case Size::Short: return 16;
    case Size::LongLong:
    case Size::Int64: return 64;
    case Size::PointerSized: return kPointerBits;
    default: return 32;  // long is 32 bits on Windows
  }
}

// The wide functions read %s and %c as wide and %S and %C as narrow; h
// makes either narrow, l and w wide.
unsigned TextBits(SizePrefix::Size size, bool upperType) {
  using Size = SizePrefix::Size;
  if (size == Size::Short || size == Size::Char) return 8;
  if (size == Size::Long || size == Size::Wide) return 16;
  return upperType ? 8 : 16;
}

// The conversion that starts at text[start] == '%', or false when none does.
bool ReadConversion(WStringView text, size_t start, Conversion& out) {
  size_t i = start + 1;
  while (i < text.size() && IsFlag(text[i])) ++i;
  Conversion c;
  if (i < text.size() && text[i] == u'*') {
    c.widthArgument = true;
    ++i;
  } else {
    while (i < text.size() && IsDigit(text[i])) ++i;
  }
  if (i < text.size() && text[i] == u'.') {
    ++i;
    if (i < text.size() && text[i] == u'*') {
      c.precisionArgument = true;
      ++i;
    } else {
      while (i < text.size() && IsDigit(text[i])) ++i;
    }
  }
  const SizePrefix::Size size = ReadSize(text, i);
  if (i >= text.size()) return false;
  const char16_t type = text[i];
  switch (type) {
    case u'd': case u'i': c.kind = ArgumentKind::SignedInteger; c.bits = IntegerBits(size); break;
    case u'u': case u'o': case u'x': case u'X': c.kind = ArgumentKind::UnsignedInteger; c.bits = IntegerBits(size); break;
    case u'n': c.kind = ArgumentKind::Count; c.bits = IntegerBits(size); break;
    case u'e': case u'E': case u'f': case u'F': case u'g': case u'G': case u'a': case u'A':
      c.kind = ArgumentKind::Floating;
      break;
    case u'c': case u'C': c.kind = ArgumentKind::Character; c.bits = TextBits(size, type == u'C'); break;
    case u's': case u'S': c.kind = ArgumentKind::String; c.bits = TextBits(size, type == u'S'); break;
    case u'Z': c.kind = ArgumentKind::CountedString; c.bits = TextBits(size, true); break;
    case u'p': c.kind = ArgumentKind::Pointer; break;
    default: return false;
  }
  c.offset = start;
  c.length = i + 1 - start;
  out = c;
  return true;
}

}  // namespace

std::vector<Conversion> PrintfConversions(WStringView text) {
  std::vector<Conversion> conversions;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] != u'%') {
      ++i;
    } else if (i + 1 < text.size() && text[i + 1] == u'%') {
      i += 2;
    } else {
      Conversion c;
      if (ReadConversion(text, i, c)) {
        conversions.push_back(c);
        i += c.length;
      } else {
        ++i;
      }
    }
  }
  return conversions;
}

bool HasConversions(WStringView text) { return !PrintfConversions(text).empty(); }

std::vector<ConversionArgument> ConversionArguments(WStringView text) {
  std::vector<ConversionArgument> arguments;
  const ConversionArgument starArgument{ArgumentKind::SignedInteger, 32};
  for (const Conversion& c : PrintfConversions(text)) {
    if (c.widthArgument) arguments.push_back(starArgument);
    if (c.precisionArgument) arguments.push_back(starArgument);
    arguments.push_back({c.kind, c.bits});
  }
  return arguments;
}

bool ConversionsMatch(WStringView source, WStringView translation) {
  return ConversionArguments(source) == ConversionArguments(translation);
}

HotkeyMarks Hotkeys(WStringView text) {
  HotkeyMarks marks;
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != u'&') continue;
    if (text[i + 1] != u'&') marks.positions.push_back(i + 1);
    ++i;  // "&&" and the marked character are both passed
  }
  if (!marks.positions.empty()) marks.letter = text[marks.positions.front()];
  return marks;
}

HotkeyFault CheckHotkeys(WStringView source, WStringView translation) {
  const size_t theirs = Hotkeys(translation).Count();
  if (theirs > 1) return HotkeyFault::Several;
  if (theirs == 0 && Hotkeys(source).Count() == 1) return HotkeyFault::Lost;
  return HotkeyFault::None;
}

char16_t FoldHotkey(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
  // Latin-1 small letters, but not the division sign, sharp s or y with diaeresis.
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
  if (c == 0xFF) return 0x178;
  // Latin Extended-A pairs capital and small letters as even and odd code
  // points, except from L with acute to n with caron and from Z with acute
  // on, where the capitals are odd.
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return static_cast<char16_t>(c & ~1u);
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return static_cast<char16_t>(c % 2 == 0 ? c - 1 : c);
  if (c == 0x3C2) return 0x3A3;  // Greek final sigma
  if (c >= 0x3B1 && c <= 0x3C9) return static_cast<char16_t>(c - 0x20);
  if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);                // Cyrillic
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
  return c;
}

bool ShortcutText(WStringView text, WStringView& shortcut) {
  const size_t tab = text.find(u'\t');
  if (tab == WStringView::npos) return false;
  shortcut = text.substr(tab + 1);
  return true;
}

namespace {
bool IsSpace(char16_t c) { return c == u' ' || c == 0xA0; }
}  // namespace

size_t LeadingSpaces(WStringView text) {
  size_t n = 0;
  while (n < text.size() && IsSpace(text[n])) ++n;
  return n;
}

size_t TrailingSpaces(WStringView text) {
  size_t n = 0;
  while (n < text.size() && IsSpace(text[text.size() - 1 - n])) ++n;
  return n;
}

size_t LineBreaks(WStringView text) {
  size_t breaks = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r') {
      ++breaks;
      if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    } else if (text[i] == u'\n') {
      ++breaks;
    }
  }
  return breaks;
}
