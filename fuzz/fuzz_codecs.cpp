// Every template codec: read, write back, read again. A record that was read
// whole must survive the round trip unchanged.
#include <cstdlib>

#include "lngfile/accelerator_table.h"
#include "lngfile/dialog_template.h"
#include "lngfile/menu_template.h"
#include "lngfile/string_block.h"
#include "platform/version_info.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const ByteSpan input(data + 1, size - 1);
  switch (data[0] % 6) {
    case 0: {
      StringBlock block;
      if (ReadStringBlock(input, block)) {
        const auto bytes = WriteStringBlock(block);
        Check(bytes.size() == input.size() && std::equal(bytes.begin(), bytes.end(), input.begin()));
      }
      break;
    }
    case 1: {
      MenuTemplate menu;
      if (ReadMenuTemplate(input, menu) && !menu.truncated) {
        const auto bytes = WriteMenuTemplate(menu);
        Check(bytes.size() == input.size() && std::equal(bytes.begin(), bytes.end(), input.begin()));
      }
      break;
    }
    case 2: {
      MenuExTemplate menu;
      if (ReadMenuExTemplate(input, menu) && !menu.truncated) {
        const auto bytes = WriteMenuExTemplate(menu);
        Check(bytes.size() == input.size() && std::equal(bytes.begin(), bytes.end(), input.begin()));
      }
      break;
    }
    case 3: {
      DialogTemplate dialog;
      if (ReadDialogTemplate(input, dialog) && !dialog.truncated) {
        const auto bytes = WriteDialogTemplate(dialog);
        Check(bytes.size() == input.size() && std::equal(bytes.begin(), bytes.end(), input.begin()));
      }
      break;
    }
    case 4: {
      AcceleratorTable table;
      if (ReadAcceleratorTable(input, table)) {
        const auto bytes = WriteAcceleratorTable(table);
        Check(bytes.size() == input.size() && std::equal(bytes.begin(), bytes.end(), input.begin()));
      }
      break;
    }
    case 5: {
      FixedFileInfo info;
      ReadFixedFileInfo(input, info);
      break;
    }
  }
  return 0;
}
