#include "lngfile/string_block.h"

#include "lngfile/template_codec.h"

bool ReadStringBlock(ByteSpan data, StringBlock& block) {
  block = StringBlock{};
  if (data.empty()) {  // a missing block: 16 empty strings, and no bytes
    block.slotCount = 0;
    return true;
  }
  ByteReader reader(data);
  for (size_t slot = 0; slot < block.strings.size(); ++slot) {
    const size_t start = reader.Offset();
    uint16_t count = 0;
    if (!reader.U16(count) || !reader.CountedWide(count, block.strings[slot])) {
      block.strings[slot].clear();
      block.slotCount = slot;
      block.truncated = true;
      block.trailing = BytesFrom(data, start);
      return true;
    }
  }
  block.trailing = BytesFrom(data, reader.Offset());
  return true;
}

std::vector<uint8_t> WriteStringBlock(const StringBlock& block) {
  std::vector<uint8_t> out;
  const size_t slots = block.slotCount < block.strings.size() ? block.slotCount : block.strings.size();
  for (size_t slot = 0; slot < slots; ++slot) {
    // A count is 16 bits; callers keep strings within it.
    const WStringView text = WStringView(block.strings[slot]).substr(0, 0xFFFF);
    PutU16(out, static_cast<uint16_t>(text.size()));
    PutWide(out, text, false);
  }
  out.insert(out.end(), block.trailing.begin(), block.trailing.end());
  return out;
}
