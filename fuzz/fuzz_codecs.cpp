// Every template codec: read, write back, read again. A record that was read
// whole must survive the round trip unchanged.
#include <cstdlib>

#include "lngfile/accelerator_table.h"
#include "lngfile/dialog_template.h"
#include "lngfile/menu_template.h"
#include "lngfile/string_block.h"
#include "pe/version_info.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// Reads with `read`; a record read whole must write back to the same bytes.
template <class Record, class Read, class Write>
void RoundTrip(ByteSpan input, Read read, Write write) {
  Record record;
  if (!read(input, record)) return;
  if constexpr (requires { record.truncated; })
    if (record.truncated) return;
  const auto bytes = write(record);
  Check(bytes.size() == input.size() && std::equal(bytes.begin(), bytes.end(), input.begin()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const ByteSpan input(data + 1, size - 1);
  switch (data[0] % 6) {
    case 0: RoundTrip<StringBlock>(input, ReadStringBlock, WriteStringBlock); break;
    case 1: RoundTrip<MenuTemplate>(input, ReadMenuTemplate, WriteMenuTemplate); break;
    case 2: RoundTrip<MenuExTemplate>(input, ReadMenuExTemplate, WriteMenuExTemplate); break;
    case 3: RoundTrip<DialogTemplate>(input, ReadDialogTemplate, WriteDialogTemplate); break;
    case 4: RoundTrip<AcceleratorTable>(input, ReadAcceleratorTable, WriteAcceleratorTable); break;
    case 5: {
      FixedFileInfo info;
      ReadFixedFileInfo(input, info);
      break;
    }
  }
  return 0;
}
