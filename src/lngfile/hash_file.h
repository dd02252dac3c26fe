// The hash text file written beside every language file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "lngfile/language_file.h"
#include "pe/resources.h"
#include "text/text.h"

// MD5 (RFC 1321).
std::array<uint8_t, 16> Md5Buffer(const uint8_t* bytes, size_t count);

// The digest text: one character per digest byte, the first digit of the
// byte's value in decimal.
std::string DigestText(const std::array<uint8_t, 16>& digest);

// Entering a type in the hash walk: a named type's "@" line at once, a
// numbered type's "#%d" header held until its first line.
void EnterHashType(const ResId& type, BuildContext& context);

// The lines of one resource (its default-language data, empty when it has
// none), added to the walk's hash text.
void HashResource(const ResId& type, const ResId& name, ByteSpan data, BuildContext& context);
