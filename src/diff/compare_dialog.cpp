#include <algorithm>

#include "diff/comparers.h"
#include "diff/flag_names.h"
#include "lngfile/dialog_template.h"

namespace {

bool SameField(const NameOrOrdinal& a, const NameOrOrdinal& b) {
  if (a.isOrdinal != b.isOrdinal) return false;
  return a.isOrdinal ? a.ordinal == b.ordinal : a.name == b.name;
}

// The first 16-bit unit of a field as stored: 0xFFFF for an ordinal, the
// first character of a name, 0 for an empty field.
unsigned FirstUnit(const NameOrOrdinal& field) {
  if (field.isOrdinal) return 0xFFFF;
  return field.name.empty() ? 0u : field.name[0];
}

// A control text for display: an ordinal title (a resource id) as "#id".
WString DisplayText(const NameOrOrdinal& field) {
  if (field.isOrdinal) return Format(u"#%d", static_cast<unsigned>(field.ordinal));
  return EscapeControlChars(field.name, field.name.size() + 1);
}

// A style line, the names of its difference and the line end.
void ReportStyle(DiffReport& report, WStringView format, std::span<const FlagName> table, uint32_t a, uint32_t b) {
  const ValueChange change = ChangeBetween(a, b);
  ReportEntry(report, format, change.word, a, b, change.difference);
  ReportEntry(report, u"%s\r\n", FlagNamesOf(table, change.difference));
}

struct FontFields {
  WString face;
  unsigned size = 0, weight = 0, italic = 0, charset = 0;
};

FontFields FontOf(const DialogTemplate& d) {
  FontFields f;
  if (!d.hasFont) return f;
  f.face = d.typeface;
  f.size = d.pointSize;
  if (d.extended) {
    f.weight = d.weight;
    f.italic = d.italic;
    f.charset = d.charset;
  }
  return f;
}

// Steps 3 to 5: the header values, menu, class, title and font. True when
// anything differs.
bool CompareHeader(DiffReport& report, const DialogTemplate& one, const DialogTemplate& two) {
  bool changed = false;
  auto differs = [&](bool different) {
    changed = changed || different;
    return different;
  };
  // A line of two numbers, written when they differ.
  auto value = [&](WStringView format, uint32_t a, uint32_t b) {
    if (differs(a != b)) ReportEntry(report, format, a, b);
  };
  if (differs(one.x != two.x || one.y != two.y || one.cx != two.cx || one.cy != two.cy))
    ReportEntry(report, u"Size changed: [%d,%d,%d,%d] -> [%d,%d,%d,%d]\r\n", one.x, one.y, one.cx, one.cy, two.x,
                two.y, two.cx, two.cy);
  if (differs(one.style != two.style))
    ReportStyle(report, u"Style changed (%s): 0x%x -> 0x%x (Diff: 0x%x)\t", kWindowStyleNames, one.style, two.style);
  if (differs(one.exStyle != two.exStyle))
    ReportStyle(report, u"Extended style changed (%s): 0x%x -> 0x%x (Diff: 0x%x)\t", kWindowExStyleNames,
                one.exStyle, two.exStyle);
  if (one.extended) value(u"Help identifier changed: 0x%x -> 0x%x\r\n", one.helpId, two.helpId);
  value(u"Item count changed: %d -> %d\r\n", one.itemCount, two.itemCount);
  if (differs(!SameField(one.menu, two.menu)))
    ReportEntry(report, u"Menu changed: %d -> %d\r\n", FirstUnit(one.menu), FirstUnit(two.menu));
  if (differs(!SameField(one.windowClass, two.windowClass)))
    ReportEntry(report, u"Window class changed: %d -> %d\r\n", FirstUnit(one.windowClass), FirstUnit(two.windowClass));
  // A changed title counts even when its line is silenced.
  if (differs(one.title != two.title) && !report.options.excludeStrings)
    ReportEntry(report, u"Title changed: `%s' -> `%s'\r\n", one.title, two.title);
  const FontFields f1 = FontOf(one), f2 = FontOf(two);
  if (differs(f1.face != f2.face)) ReportEntry(report, u"Font changed: %s -> %s\r\n", f1.face, f2.face);
  value(u"Font size changed: %d -> %d\r\n", f1.size, f2.size);
  value(u"Font weight changed: %d -> %d\r\n", f1.weight, f2.weight);
  value(u"Font italic changed: %d -> %d\r\n", f1.italic, f2.italic);
  value(u"Font charset changed: %d -> %d\r\n", f1.charset, f2.charset);
  return changed;
}

bool IsNoId(uint32_t id) { return id == 0xFFFF || id == 0xFFFFFFFF; }

// Step 6 for one pair of controls; "Item #n" precedes the first line. True
// when a line was written.
bool CompareItem(DiffReport& report, const DialogItem& one, const DialogItem& two, bool extended, int number) {
  bool printed = false;
  auto opening = [&] {
    if (!printed) ReportEntry(report, u"Item #%d\r\n", number);
    printed = true;
  };
  auto line = [&](WStringView format, const auto&... args) {
    opening();
    ReportEntry(report, format, args...);
  };
  auto style = [&](WStringView format, std::span<const FlagName> table, uint32_t a, uint32_t b) {
    opening();
    ReportStyle(report, format, table, a, b);
  };

  if ((one.x != two.x || one.y != two.y || one.cx != two.cx || one.cy != two.cy) && !report.options.excludeSizes)
    line(u" - size changed: [%d,%d,%d,%d] -> [%d,%d,%d,%d]\r\n", one.x, one.y, one.cx, one.cy, two.x, two.y, two.cx,
         two.cy);
  if (extended) {
    if (one.helpId != two.helpId) line(u" - help id changed: %d -> %d\r\n", one.helpId, two.helpId);
    if (one.id != two.id && !(IsNoId(one.id) && IsNoId(two.id))) line(u" - id changed: %d -> %d\r\n", one.id, two.id);
    if (one.style != two.style)
      style(u" - style changed (%s): 0x%x -> 0x%x (Diff: 0x%x)\t", kWindowStyleNames, one.style, two.style);
    if (one.exStyle != two.exStyle)
      style(u" - extended style changed (%s): 0x%x -> 0x%x (Diff: 0x%x)\t", kWindowExStyleNames, one.exStyle,
            two.exStyle);
  } else {
    const auto id1 = static_cast<uint16_t>(one.id), id2 = static_cast<uint16_t>(two.id);
    if (id1 != id2) line(u" - id changed: %d -> %d\r\n", id1, id2);
    if (one.style != two.style) line(u" - style changed: %d -> %d\r\n", one.style, two.style);
    if (one.exStyle != two.exStyle) line(u" - extended style changed: %d -> %d\r\n", one.exStyle, two.exStyle);
  }
  if (!SameField(one.windowClass, two.windowClass) && !(one.windowClass.isOrdinal && two.windowClass.isOrdinal))
    line(u" - class changed: %d -> %d\r\n", FirstUnit(one.windowClass), FirstUnit(two.windowClass));
  if (!SameField(one.title, two.title) && !report.options.excludeStrings)
    line(u" - text changed: `%s'\r\n\t      -> `%s'\r\n", DisplayText(one.title), DisplayText(two.title));
  return printed;
}

}  // namespace

void CompareDialog(DiffReport& report, const Module& install, const Module& comparison, const ResId& name) {
  const ResourcePair pair = LookUpBoth(install, comparison, ResId::Int(kRtDialog), name);
  const WString shown = FormatResourceName(name);
  if (!ReportPresence(report, pair, u"Dialog %s added\r\n\r\n", u"Dialog %s removed\r\n\r\n", shown)) return;
  const ByteSpan ours = pair.ours, theirs = pair.theirs;
  ReportEntry(report, u"Dialog %s changed (determined by the resource size &/or contents)\r\n[Original: %d - Comparison: %d]\r\n",
              shown, ours.size(), theirs.size());

  bool headerChanged = false;
  bool itemLines = false;
  DialogTemplate one, two;
  const bool readOne = ReadDialogTemplate(ours, one);
  const bool readTwo = ReadDialogTemplate(theirs, two);
  if (IsDialogExTemplate(ours) != IsDialogExTemplate(theirs)) {
    ReportEntry(report, u"Type changed: requires menual verification\r\n");
    headerChanged = true;
  } else if (!readOne || !readTwo) {
    // Too short for even the fixed header: nothing more can be compared.
    headerChanged = true;
  } else {
    headerChanged = CompareHeader(report, one, two);
    const size_t pairs =
        std::min({static_cast<size_t>(one.itemCount), static_cast<size_t>(two.itemCount), one.items.size(),
                  two.items.size()});
    for (size_t i = 0; i < pairs; ++i)
      if (CompareItem(report, one.items[i], two.items[i], one.extended, static_cast<int>(i) + 1)) itemLines = true;
  }
  if (itemLines || headerChanged) ReportEntry(report, u"\r\n");
}
