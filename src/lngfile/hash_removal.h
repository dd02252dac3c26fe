// /clear: removing the HASH resource from one module.
#pragma once

#include "platform/text.h"

// Removes the first listed language of HASH/HASH from the file. True when
// removed and committed; every failure prints its own message.
bool RemoveHashSection(const WString& path);
