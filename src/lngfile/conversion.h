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
// after it (or unchanged).
Cursor ReadLanguageOption(Cursor cursor, WString& token, WStringView endA, WStringView endB);

// The conversion of one text in the current mode.
WString ConvertText(WStringView text);

std::vector<uint8_t> RebuildStringTable(ByteSpan data, uint32_t blockNumber);
std::vector<uint8_t> RebuildMenu(ByteSpan data);
std::vector<uint8_t> RebuildMenuEx(ByteSpan data);
std::vector<uint8_t> RebuildDialog(ByteSpan data);  // DIALOG and DIALOGEX
std::vector<uint8_t> ConvertTextResource(ByteSpan data);
