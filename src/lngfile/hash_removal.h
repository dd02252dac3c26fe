// /clear: removing the HASH resource from one module.
#pragma once

#include "driver/console_output.h"
#include "text/text.h"

// Removes the first listed language of HASH/HASH from the file. True when
// removed and committed; every failure prints its own message.
bool RemoveHashSection(const Messages& messages, const WString& path);
