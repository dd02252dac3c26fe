// The hash text file written beside every language file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "lngfile/language_file.h"
#include "platform/resources.h"
#include "platform/text.h"

// MD5 (RFC 1321).
std::array<uint8_t, 16> Md5Buffer(const uint8_t* bytes, size_t count);

// The digest text: one character per digest byte, the first digit of the
// byte's value in decimal.
std::string DigestText(const std::array<uint8_t, 16>& digest);

// Writes the hash lines of every eligible resource of the module (appending;
// the caller deletes an old file first). Nothing is written when the module
// cannot be opened.
void WriteHashFile(const WString& modulePath, const WString& hashFilePath);

// The lines of one resource, added to the walk's hash text.
void HashResource(const Module& module, const ResId& type, const ResId& name, BuildContext& context);
