// Spelling conversion of translatable texts and the template rebuilds.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "driver/tokenizer.h"
#include "lngfile/resource_texts.h"
#include "pe/byte_reader.h"
#include "pe/resources.h"
#include "text/text.h"

// The conversion modes: 0 none, 1 en-gb, 2 en-us, 3 en-L337.
constexpr int kConvertNone = 0, kConvertBritish = 1, kConvertAmerican = 2, kConvertLeet = 3;

// Reads an optional language identifier at the cursor (unless the token
// there equals one of the two ending tokens, ignoring case, or starts with
// "/"), sets `mode` when it is recognised, and returns the cursor after it
// and the spaces that follow (or unchanged). `token` receives the
// identifier read.
Cursor ReadLanguageOption(Cursor cursor, WString& token, WStringView endA, WStringView endB, int& mode);

// The conversion of one text in `mode`; the text itself when the mode is 0
// or the text is empty.
WString ConvertText(WStringView text, int mode);

// IsTextUnicode with every test, over the first bytes of a text (at most 4,
// fewer when it is shorter): UTF-16 when they begin FF FE; not when they
// begin FE FF, are fewer than 2 or odd in number, or hold a 16-bit unit
// 0x0000 or 0xFFFF; otherwise UTF-16 when a byte other than the last one
// is zero. So "Text" is single-byte, "T\0e\0" UTF-16, "ABC\0" single-byte.
bool IsTextUnicode(ByteSpan data);

// The rebuilds the copy step uses when a conversion mode is set: the
// template read with its codec, its texts converted, written back with the
// codec, as long as its texts need, with zeros in every alignment gap (as
// resource compilers write them). A template that cannot be read whole is
// returned unchanged.
// A block of size 0 is a missing block: 16 empty strings (32 bytes).
std::vector<uint8_t> RebuildStringTable(ByteSpan data, uint32_t blockNumber, int mode);
std::vector<uint8_t> RebuildMenu(ByteSpan data, int mode);
// Also the MENUEX fix: an item identifier 0xFFFFnnnn with nnnn not 0
// becomes 0x0000nnnn, and `fixed` is set.
std::vector<uint8_t> RebuildMenuEx(ByteSpan data, int mode, bool& fixed);
std::vector<uint8_t> RebuildDialog(ByteSpan data, int mode);    // DIALOG
std::vector<uint8_t> RebuildDialogEx(ByteSpan data, int mode);  // DIALOGEX
// A TEXT resource: the text up to its first zero character, converted (as
// UTF-16 or as Windows-1252 text, see IsTextUnicode), replaces the
// resource; nothing from that zero on is kept. A lone last byte of UTF-16
// data (half a character) stays.
std::vector<uint8_t> ConvertTextResource(ByteSpan data, int mode);

// The translation rule of /po_import: given a text's key and kind
// (resource_texts.h) and its source text, fills in the translation and
// returns true, or returns false to keep the source text.
using TranslateText =
    std::function<bool(const WString& key, TextKind kind, WStringView source, WString& translation)>;
// The same rebuilds with each text that the rule translates replaced by its
// translation instead of converted. A template none of whose texts change,
// or that cannot be read whole, is returned unchanged. Translated menus get
// the MENUEX fix as converted ones do.
std::vector<uint8_t> TranslateStringTable(ByteSpan data, uint32_t blockNumber, const TranslateText& rule);
std::vector<uint8_t> TranslateMenu(ByteSpan data, const ResId& name, const TranslateText& rule, bool& fixed);
std::vector<uint8_t> TranslateDialog(ByteSpan data, const ResId& name, const TranslateText& rule);
