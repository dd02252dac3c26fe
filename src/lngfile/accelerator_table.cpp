#include "lngfile/accelerator_table.h"

#include "lngfile/template_codec.h"

bool ReadAcceleratorTable(ByteSpan data, AcceleratorTable& table) {
  table = AcceleratorTable{};
  ByteReader reader(data);
  AcceleratorEntry entry;
  while (reader.Remaining() >= 8) {
    reader.U16(entry.flags);
    reader.U16(entry.key);
    reader.U16(entry.id);
    reader.U16(entry.padding);
    table.entries.push_back(entry);
  }
  table.trailing = BytesFrom(data, reader.Offset());
  table.truncated = !table.trailing.empty();
  return true;
}

std::vector<uint8_t> WriteAcceleratorTable(const AcceleratorTable& table) {
  std::vector<uint8_t> out;
  for (const AcceleratorEntry& entry : table.entries) {
    PutU16(out, entry.flags);
    PutU16(out, entry.key);
    PutU16(out, entry.id);
    PutU16(out, entry.padding);
  }
  out.insert(out.end(), table.trailing.begin(), table.trailing.end());
  return out;
}
