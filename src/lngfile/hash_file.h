// The hash text file written beside every language file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/text.h"

// MD5 (RFC 1321).
std::array<uint8_t, 16> Md5Buffer(const uint8_t* bytes, size_t count);

// Writes the hash lines of every eligible resource of the module (appending;
// the caller deletes an old file first). Nothing is written when the module
// cannot be opened.
void WriteHashFile(const WString& modulePath, const WString& hashFilePath);
