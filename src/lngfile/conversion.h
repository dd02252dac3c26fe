// Spelling conversion of translatable texts and the template rebuilds.
#pragma once

#include <cstdint>
#include <vector>

#include "driver/tokenizer.h"
#include "platform/byte_reader.h"
#include "platform/text.h"

// 0 none, 1 en-gb, 2 en-us, 3 en-L337.
extern int g_conversionMode;

// Reads an optional language identifier at the cursor (unless the token
// there equals one of the two ending tokens, ignoring case, or starts with
// "/"), sets g_conversionMode when it is recognised, and returns the cursor
// after it and the spaces that follow (or unchanged). `token` receives the
// identifier read.
Cursor ReadLanguageOption(Cursor cursor, WString& token, WStringView endA, WStringView endB);

// The conversion of one text in the current mode; the text itself when the
// mode is 0 or the text is empty.
WString ConvertText(WStringView text);

// IsTextUnicode with every test, over the first bytes of a text (at most 4,
// fewer when it is shorter): UTF-16 when they begin FF FE; not when they
// begin FE FF, are fewer than 2 or odd in number, or hold a 16-bit unit
// 0x0000 or 0xFFFF; otherwise UTF-16 when a byte other than the last one
// is zero. So "Text" is single-byte, "T\0e\0" UTF-16, "ABC\0" single-byte.
bool IsTextUnicode(ByteSpan data);

// The rebuilds the copy step uses when a conversion mode is set: the
// template read with its codec, its texts converted, written back with the
// codec, as long as its texts need. A template that cannot be read whole
// is returned unchanged.
std::vector<uint8_t> RebuildStringTable(ByteSpan data, uint32_t blockNumber);
std::vector<uint8_t> RebuildMenu(ByteSpan data);
// Also the MENUEX fix: an item identifier 0xFFFFnnnn with nnnn not 0
// becomes 0x0000nnnn, and g_menuexFixed is set.
std::vector<uint8_t> RebuildMenuEx(ByteSpan data);
std::vector<uint8_t> RebuildDialog(ByteSpan data);    // DIALOG
std::vector<uint8_t> RebuildDialogEx(ByteSpan data);  // DIALOGEX
// A TEXT resource: the text up to its first zero character converted (as
// UTF-16 or as Windows-1252 text, see IsTextUnicode); the bytes from that
// zero on are kept as they are.
std::vector<uint8_t> ConvertTextResource(ByteSpan data);
