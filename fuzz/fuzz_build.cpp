// The hash walk, the language file build and every rebuild, in every
// conversion mode.
#include "fuzz_support.h"
#include "lngfile/conversion.h"
#include "lngfile/hash_file.h"
#include "lngfile/language_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int mode = data[0] % 4;
  const ByteSpan input(data + 1, size - 1);
  g_conversionMode = mode;
  RebuildStringTable(input, 1 + (data[0] >> 2));
  RebuildMenu(input);
  RebuildMenuEx(input);
  RebuildDialog(input);
  ConvertTextResource(input);

  ClearScratch();
  const WString module = WriteScratchFile(u"m.dll", data + 1, size - 1);
  WriteHashFile(module, ScratchFolder() + u"/m.txt");
  BuildLanguageFile(module, ScratchFolder(), u"m");
  return 0;
}
