// Standard output. Everything the tool prints goes through here, UTF-8
// encoded, through one buffered stream so lines keep their order. "\r\n" is
// written as it stands.
#pragma once

#include <string_view>

#include "text/text.h"

void ConsoleWrite(WStringView text);
// Narrow text in the ANSI code page (the zip messages).
void ConsoleWriteAnsi(std::string_view text);
void ConsoleFlush();
