// Checks of one translated UTF-16 text against its source: the printf-style
// conversions, the "&" hotkey markers, the shortcut text after a tab, the
// spaces at either end and the line breaks. Pure functions of the texts.
#pragma once

#include <cstddef>
#include <vector>

#include "text/text.h"

// What one conversion takes from the argument list. Flags and width say how
// a value is shown, not which value is read, and are not part of it.
enum class ArgumentKind {
  SignedInteger,    // d i
  UnsignedInteger,  // u o x X
  Floating,         // e E f F g G a A
  Character,        // c C
  String,           // s S
  CountedString,    // Z (an ANSI_STRING or UNICODE_STRING)
  Pointer,          // p
  Count,            // n (writes through its argument)
};

struct ConversionArgument {
  ArgumentKind kind = ArgumentKind::SignedInteger;
  // Bits of an integer, or 8/16 for a character or string (narrow or wide
  // as the wide functions read them); 0 for floating point and pointers.
  // A size the width of a pointer (I, z, t) is kPointerBits.
  unsigned bits = 0;
  bool operator==(const ConversionArgument&) const = default;
};
constexpr unsigned kPointerBits = 1;

// One conversion as the Windows printf and wsprintf families read it:
// "%" [flags - + space # 0] [width digits or *] ["." precision digits or *]
// [size hh h l ll L w I I32 I64 j z t] type. Windows takes no positional
// arguments ("%1$s" is no conversion). `%%` prints a "%" and takes nothing.
struct Conversion {
  size_t offset = 0, length = 0;  // where it stands in the text
  bool widthArgument = false, precisionArgument = false;  // a "*": an int read first
  ArgumentKind kind = ArgumentKind::SignedInteger;
  unsigned bits = 0;
  WStringView Written(WStringView text) const { return text.substr(offset, length); }
};

// The conversions of a text in order. A "%" that starts no whole conversion
// (at the end, or before a character that is no type) is plain text, as
// wsprintf prints it.
std::vector<Conversion> PrintfConversions(WStringView text);
// True when the text holds at least one conversion ("%%" is none).
bool HasConversions(WStringView text);
// The arguments the text's conversions read, in order ("*" widths and
// precisions as ints before their value).
std::vector<ConversionArgument> ConversionArguments(WStringView text);
// True when a translation reads the same arguments as its source: as many,
// of the same kinds and sizes, in the same order. A reordering is a fault,
// since nothing in these functions can address an argument by position.
bool ConversionsMatch(WStringView source, WStringView translation);

// The "&" hotkey markers: "&x" marks x, "&&" is a literal "&", a "&" at the
// very end marks nothing.
struct HotkeyMarks {
  std::vector<size_t> positions;  // offsets of the marked characters (after their "&")
  char16_t letter = 0;            // the first marked character, 0 when none
  size_t Count() const { return positions.size(); }
};
HotkeyMarks Hotkeys(WStringView text);

// The hotkey verdict of one translated text whose source marks `source`.
enum class HotkeyFault { None, Lost, Several };
// Lost: the source marks exactly one letter and the translation none.
// Several: the translation marks more than one.
HotkeyFault CheckHotkeys(WStringView source, WStringView translation);

// A marked letter folded for comparison, as the menu and dialog managers
// find a hotkey whatever its case: ASCII, Latin-1, Latin Extended-A, Greek
// and Cyrillic letters to upper case; other characters unchanged.
char16_t FoldHotkey(char16_t c);

// The shortcut text of a menu item: what follows its first tab; false when
// it has no tab.
bool ShortcutText(WStringView text, WStringView& shortcut);

// Spaces (U+0020 and the no-break space U+00A0) at the start and at the end.
size_t LeadingSpaces(WStringView text);
size_t TrailingSpaces(WStringView text);

// Line breaks: "\r\n", and a "\n" or "\r" alone, each count once.
size_t LineBreaks(WStringView text);
