// RT_STRING block codec: 16 counted UTF-16 strings; the string at position
// i of block b has the identifier (b - 1) * 16 + i.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/byte_reader.h"
#include "platform/text.h"

struct StringBlock {
  std::array<WString, 16> strings;  // as stored: embedded zeros kept
  std::vector<uint8_t> trailing;    // bytes after the 16th string, kept
};

// Reads as many strings as the data holds; false when it ends early (the
// slots not read stay empty). An empty span is a block of empty strings.
bool ReadStringBlock(ByteSpan data, StringBlock& block);
std::vector<uint8_t> WriteStringBlock(const StringBlock& block);

inline uint32_t StringIdOf(uint32_t block, uint32_t position) { return (block - 1) * 16 + position; }
