// The diff comparers over two fuzzed modules. The first two bytes give the
// length of the install module; the rest is the comparison module.
#include "diff/comparers.h"
#include "fuzz_support.h"
#include "os/paths.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  size_t first = static_cast<size_t>(data[0] | (data[1] << 8));
  if (first > size - 2) first = size - 2;
  ClearScratch();
  const WString install = WriteScratchFile(u"i.dll", data + 2, first);
  const WString comparison = WriteScratchFile(u"c.lng", data + 2 + first, size - 2 - first);
  CompareModulePair(DiffOptions{}, install, comparison, comparison, ScratchFolder());
  return 0;
}
