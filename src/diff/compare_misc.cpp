#include <algorithm>
#include <string>

#include "diff/comparers.h"
#include "lngfile/accelerator_table.h"
#include "lngfile/conversion.h"

namespace {

bool SameEntry(const AcceleratorEntry& a, const AcceleratorEntry& b) {
  return a.flags == b.flags && a.key == b.key && a.id == b.id && a.padding == b.padding;
}

// UTF-16LE code units of a resource, one leading byte order mark skipped.
WString Utf16Units(ByteSpan data) {
  WString text;
  ByteReader reader(data);
  reader.CountedWide(data.size() / 2, text);
  if (!text.empty() && text[0] == 0xFEFF) text.erase(0, 1);
  return text;
}

template <class String>
size_t MatchingLength(const String& a, const String& b) {
  size_t n = 0;
  while (n < a.size() && n < b.size() && a[n] != 0 && a[n] == b[n]) ++n;
  return n;
}

}  // namespace

void CompareAccelerators(DiffReport& report, const Module& install, const Module& comparison, const ResId& name) {
  const ResourcePair pair = LookUpBoth(install, comparison, ResId::Int(kRtAccelerator), name);
  // A table named by a string prints its name where the number would stand.
  const WString table = FormatResourceName(name);
  if (!ReportPresence(report, pair, u"Accelerator table: %s - added\r\n\r\n",
                      u"Accelerator table: %s - removed\r\n\r\n", table))
    return;
  ReportEntry(report, u"Accelerator table: %s - changed\r\n", table);

  AcceleratorTable one, two;
  ReadAcceleratorTable(pair.ours, one);
  ReadAcceleratorTable(pair.theirs, two);
  const size_t count = std::max(one.entries.size(), two.entries.size());
  for (size_t i = 0; i < count; ++i) {
    const int number = static_cast<int>(i) + 1;
    if (i < one.entries.size() && i < two.entries.size()) {
      if (!SameEntry(one.entries[i], two.entries[i])) ReportEntry(report, u" - entry #%d was changed\r\n", number);
    } else if (i < one.entries.size()) {
      ReportEntry(report, u" - entry #%d was added\r\n", number);
    } else {
      ReportEntry(report, u" - entry #%d was removed\r\n", number);
    }
  }
}

void CompareImage(DiffReport& report, const Module& install, const Module& comparison, const ResId& name,
                  const ResId& type, WStringView label) {
  if (report.options.excludeImages) return;
  const WString shown = FormatResourceName(name);
  if (ReportPresence(report, LookUpBoth(install, comparison, type, name), u"%s image %s added\r\n\r\n",
                     u"%s image %s removed\r\n\r\n", label, shown))
    ReportEntry(report, u"%s image %s changed\r\n\r\n", label, shown);
}

void CompareTextResource(DiffReport& report, const Module& install, const Module& comparison, const ResId& name) {
  const ResourcePair pair = LookUpBoth(install, comparison, ResId::Str(u"TEXT"), name);
  const WString shown = FormatResourceName(name);
  if (!ReportPresence(report, pair, u"TEXT resource %s added\r\n\r\n", u"TEXT resource %s removed\r\n\r\n",
                      shown))
    return;
  const ByteSpan ours = pair.ours, theirs = pair.theirs;

  // The install text alone decides the encoding of both sides.
  if (IsTextUnicode(ours)) {
    const WString a = Utf16Units(ours), b = Utf16Units(theirs);
    const WString one = EscapeControlChars(a, a.size()), two = EscapeControlChars(b, b.size());
    const size_t position = MatchingLength(one, two);
    if (position == 0)
      ReportEntry(report,
                  u"TEXT resource %s changed\r\nChange happens at start of the text - there may be more changes "
                  u"elsewhere in the resource\r\n\r\n",
                  shown);
    else
      ReportEntry(report,
                  u"TEXT resource %s changed\r\nChange happens after character position %d: %s\r\n(Text shown is all "
                  u"matching text upto the change. There may be other changes as well not detected)\r\n\r\n",
                  shown, position, one.substr(0, position));
    return;
  }
  const std::string_view a(reinterpret_cast<const char*>(ours.data()), ours.size());
  const std::string_view b(reinterpret_cast<const char*>(theirs.data()), theirs.size());
  const std::string one = EscapeControlChars(a, a.size()), two = EscapeControlChars(b, b.size());
  const size_t position = MatchingLength(one, two);
  if (position == 0)
    ReportEntry(report, u"TEXT resource %s changed\r\nChange happens at start of the text\r\n\r\n", shown);
  else
    ReportEntry(report, u"TEXT resource %s changed\r\nChange happens after character position %d: %S\r\n\r\n", shown,
                position, one.substr(0, position));
}
