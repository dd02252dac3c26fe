// RT_ACCELERATOR codec: 8-byte ACCELTABLEENTRY records (flags, key, id,
// padding); the last has flag 0x80.
#pragma once

#include <cstdint>
#include <vector>

#include "pe/byte_reader.h"

struct AcceleratorEntry {
  uint16_t flags = 0;
  uint16_t key = 0;
  uint16_t id = 0;
  uint16_t padding = 0;
};

struct AcceleratorTable {
  std::vector<AcceleratorEntry> entries;
  bool truncated = false;         // a partial record at the end
  std::vector<uint8_t> trailing;  // its bytes, kept
};

// Reads every whole record (template_codec.h). Always true: a table has
// no header.
bool ReadAcceleratorTable(ByteSpan data, AcceleratorTable& table);
std::vector<uint8_t> WriteAcceleratorTable(const AcceleratorTable& table);
