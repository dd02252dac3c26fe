// Alignment padding inside templates, kept as read so that a template
// written back unchanged gives its own bytes even where the padding is not
// zero. Offsets are measured from the start of the template.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/byte_reader.h"

// Reads the bytes up to the next multiple of `alignment` into `kept`;
// false (nothing read) when the data ends first.
inline bool ReadAlignment(ByteReader& reader, size_t alignment, std::vector<uint8_t>& kept) {
  kept.clear();
  const size_t rem = reader.Offset() % alignment;
  if (rem == 0) return true;
  ByteSpan bytes;
  if (!reader.Bytes(alignment - rem, bytes)) return false;
  kept.assign(bytes.begin(), bytes.end());
  return true;
}

// Pads `out` to the next multiple of `alignment`: with the kept bytes when
// the layout needs exactly that many, else with zeros.
inline void WriteAlignment(std::vector<uint8_t>& out, size_t alignment, const std::vector<uint8_t>& kept) {
  const size_t rem = out.size() % alignment;
  const size_t need = rem ? alignment - rem : 0;
  if (kept.size() == need)
    out.insert(out.end(), kept.begin(), kept.end());
  else
    out.insert(out.end(), need, 0);
}
