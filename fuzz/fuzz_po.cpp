// The PO reader over any bytes; what it reads is written and read again,
// which must give the same document (so the writer is fuzzed too).
#include <cstdlib>

#include "text/po_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PoDocument document;
  PoFault fault;
  if (!ReadPoDocument(std::string_view(reinterpret_cast<const char*>(data), size), document, fault)) return 0;
  const std::string written = WritePoDocument(document);
  PoDocument again;
  // A document read back is one the writer can write: anything else is a
  // fault of the writer.
  if (!ReadPoDocument(written, again, fault) || WritePoDocument(again) != written) std::abort();
  return 0;
}
