// RT_STRING block codec: 16 counted UTF-16 strings; the string at position
// i of block b has the identifier (b - 1) * 16 + i.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pe/byte_reader.h"
#include "text/text.h"

struct StringBlock {
  std::array<WString, 16> strings;  // as stored: embedded zeros kept
  size_t slotCount = 16;            // slots stored; fewer when truncated or empty
  bool truncated = false;           // a count or its string ran past the end
  std::vector<uint8_t> trailing;    // bytes after the last whole slot, kept
};

// Reads as many strings as the data holds (template_codec.h: the slots not
// read stay empty). An empty span is a block of 16 empty strings with no
// slots stored. Always true: a block has no header.
bool ReadStringBlock(ByteSpan data, StringBlock& block);
// The slots read, then the trailing bytes: the data as read.
std::vector<uint8_t> WriteStringBlock(const StringBlock& block);

inline uint32_t StringIdOf(uint32_t block, uint32_t position) { return (block - 1) * 16 + position; }
