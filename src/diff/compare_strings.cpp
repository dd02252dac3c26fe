#include "diff/comparers.h"

#include "lngfile/resource_access.h"
#include "lngfile/string_block.h"

void CompareStringTable(DiffReport& report, const Module& install, const Module& comparison, const ResId& block) {
  if (g_excludeStrings || block.isName) return;
  // A side without the block (or with one that ends early) reads as empty
  // strings where nothing could be read.
  StringBlock ours, theirs;
  ByteSpan data;
  if (FindResourceData(install, ResId::Int(kRtString), block, nullptr, data)) ReadStringBlock(data, ours);
  if (FindResourceData(comparison, ResId::Int(kRtString), block, nullptr, data)) ReadStringBlock(data, theirs);

  for (int i = 0; i < 16; ++i) {
    const int id = (static_cast<int>(block.id) - 1) * 16 + i;
    const WString& a = ours.strings[static_cast<size_t>(i)];
    const WString& b = theirs.strings[static_cast<size_t>(i)];
    if (a.empty() && b.empty()) continue;
    if (!a.empty() && !b.empty()) {
      if (a == b) continue;
      ReportEntry(report, u"String %d changed\r\n", id);
      ReportEntry(report, u" + %s\r\n - %s\r\n\r\n", EscapeControlChars(a, a.size()), EscapeControlChars(b, b.size()));
    } else if (!a.empty()) {
      ReportEntry(report, u"String %d added\r\n", id);
      ReportEntry(report, u" + %s\r\n\r\n", EscapeControlChars(a, a.size()));
    } else {
      ReportEntry(report, u"String %d removed\r\n", id);
      ReportEntry(report, u" - %s\r\n\r\n", EscapeControlChars(b, b.size()));
    }
  }
}
