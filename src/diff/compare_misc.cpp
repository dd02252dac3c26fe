#include <algorithm>
#include <string>

#include "diff/comparers.h"
#include "lngfile/accelerator_table.h"
#include "lngfile/conversion.h"
#include "lngfile/resource_access.h"

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
  ByteSpan ours, theirs;
  const bool haveOurs = FindResourceData(install, ResId::Int(kRtAccelerator), name, nullptr, ours);
  const bool haveTheirs = FindResourceData(comparison, ResId::Int(kRtAccelerator), name, nullptr, theirs);
  // A table named by a string prints its name where the number would stand.
  const WString table = FormatResourceName(name);
  if (!haveOurs && !haveTheirs) return;
  if (!haveTheirs) {
    ReportEntry(report, u"Accelerator table: %s - added\r\n\r\n", table);
    return;
  }
  if (!haveOurs) {
    ReportEntry(report, u"Accelerator table: %s - removed\r\n\r\n", table);
    return;
  }
  if (SameBytes(ours, theirs)) return;
  ReportEntry(report, u"Accelerator table: %s - changed\r\n", table);

  AcceleratorTable one, two;
  ReadAcceleratorTable(ours, one);
  ReadAcceleratorTable(theirs, two);
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
  if (g_excludeImages) return;
  ByteSpan ours, theirs;
  const bool haveOurs = FindResourceData(install, type, name, nullptr, ours);
  const bool haveTheirs = FindResourceData(comparison, type, name, nullptr, theirs);
  if (haveOurs && !haveTheirs)
    ReportEntry(report, u"%s image %s added\r\n\r\n", label, FormatResourceName(name));
  else if (!haveOurs && haveTheirs)
    ReportEntry(report, u"%s image %s removed\r\n\r\n", label, FormatResourceName(name));
  else if (haveOurs && haveTheirs && !SameBytes(ours, theirs))
    ReportEntry(report, u"%s image %s changed\r\n\r\n", label, FormatResourceName(name));
}

void CompareTextResource(DiffReport& report, const Module& install, const Module& comparison, const ResId& name) {
  const ResId type = ResId::Str(u"TEXT");
  ByteSpan ours, theirs;
  const bool haveOurs = FindResourceData(install, type, name, nullptr, ours);
  const bool haveTheirs = FindResourceData(comparison, type, name, nullptr, theirs);
  const WString shown = FormatResourceName(name);
  if (!haveOurs && !haveTheirs) return;
  if (!haveTheirs) {
    ReportEntry(report, u"TEXT resource %s added\r\n\r\n", shown);
    return;
  }
  if (!haveOurs) {
    ReportEntry(report, u"TEXT resource %s removed\r\n\r\n", shown);
    return;
  }
  if (SameBytes(ours, theirs)) return;

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
