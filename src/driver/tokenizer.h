// The command-line grammar's tokeniser. Cursors point into the one
// zero-terminated command line; only U+0020 separates tokens, and double
// quotes group (and are dropped) without any escape.
#pragma once

#include "text/text.h"

using Cursor = const char16_t*;

Cursor SkipSpaces(Cursor cursor);
Cursor SkipToken(Cursor cursor);
// Skips spaces, then copies one token without its quotes.
WString CopyToken(Cursor cursor);
// SkipToken followed by SkipSpaces: the start of the next token.
Cursor NextToken(Cursor cursor);
// True when the text at the cursor is `word` under ASCII case folding and
// is followed by a space or the end of the line.
bool MatchWord(Cursor cursor, WStringView word);
