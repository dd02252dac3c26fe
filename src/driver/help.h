// The banner and the help texts (never silenced).
#pragma once

#include "driver/tokenizer.h"

// query: the rest of the line after the help switch, or null for none.
void ShowHelp(Cursor query);
