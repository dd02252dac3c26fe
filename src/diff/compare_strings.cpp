#include "diff/comparers.h"

#include "lngfile/string_block.h"

void CompareStringTable(DiffReport& report, const Module& install, const Module& comparison, const ResId& block) {
  if (report.options.excludeStrings || block.isName) return;
  // A side without the block (or with one that ends early) reads as empty
  // strings where nothing could be read.
  const ResourcePair pair = LookUpBoth(install, comparison, ResId::Int(kRtString), block);
  if (pair.haveOurs && pair.haveTheirs && !pair.Changed()) return;
  StringBlock ours, theirs;
  if (pair.haveOurs) ReadStringBlock(pair.ours, ours);
  if (pair.haveTheirs) ReadStringBlock(pair.theirs, theirs);

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
