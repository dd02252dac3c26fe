// What the template codecs (string_block, menu_template, dialog_template,
// accelerator_table) share.
//
// The one rule for input that ends early: a reader reads as many whole
// parts (strings, items, entries) as the data holds. It returns false only
// when not even the template's fixed header can be read (string blocks and
// accelerator tables have none, so their readers always return true).
// Otherwise it returns true, sets `truncated` when the data ends inside a
// part, and keeps every byte after the last whole part in `trailing`, so
// that the writer gives back exactly the bytes read, cut or not. Callers
// that change a template (the rebuilds) leave a truncated one as it is.
//
// Alignment padding inside templates is kept as read too, so that a
// template written back unchanged gives its own bytes even where the
// padding is not zero. Offsets are measured from the start of the template.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pe/byte_reader.h"

// The bytes of `data` from `offset` on.
inline std::vector<uint8_t> BytesFrom(ByteSpan data, size_t offset) {
  return std::vector<uint8_t>(data.begin() + static_cast<std::ptrdiff_t>(offset), data.end());
}

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
