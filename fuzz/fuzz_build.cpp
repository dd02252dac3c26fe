// The hash walk, the language file build and every rebuild, in every
// conversion mode.
#include "fuzz_support.h"
#include "lngfile/conversion.h"
#include "lngfile/language_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int mode = data[0] % 4;
  const ByteSpan input(data + 1, size - 1);
  bool fixed = false;
  RebuildStringTable(input, 1 + (data[0] >> 2), mode);
  RebuildMenu(input, mode);
  RebuildMenuEx(input, mode, fixed);
  RebuildDialog(input, mode);
  ConvertTextResource(input, mode);

  ClearScratch();
  const WString module = WriteScratchFile(u"m.dll", data + 1, size - 1);
  BuildOptions options;
  options.conversionMode = mode;
  options.specialBuild = (data[0] & 4) != 0;
  BuildLanguageFile(Messages{false}, module, ScratchFolder() + u"/m.txt", ScratchFolder(), u"m", options);
  return 0;
}
