#include <vector>

#include "diff/comparers.h"
#include "diff/flag_names.h"
#include "lngfile/menu_template.h"
#include "lngfile/resource_access.h"

namespace {

// One item as the walk sees it, in either format. Past the last item a side
// yields the end marker.
struct MenuRecord {
  bool end = false;
  uint32_t flags = 0;  // MENU option flags or MENUEX type
  uint32_t state = 0;
  uint32_t id = 0;
  uint32_t helpId = 0;
  WString text;
};

MenuRecord EndMarker(bool extended) {
  MenuRecord r;
  r.end = true;
  r.flags = extended ? 0 : 0xFFFF;
  r.id = extended ? 0xFFFFFFFF : 0xFFFF;
  return r;
}

// Both sides are read in the install menu's format, whatever their own
// version word says; a template that ends early gives the items it holds.
std::vector<MenuRecord> ReadMenuRecords(ByteSpan data, bool extended) {
  std::vector<MenuRecord> records;
  if (extended) {
    MenuExTemplate menu;
    ReadMenuExTemplate(data, menu);
    for (const auto& item : menu.items) {
      MenuRecord r;
      r.flags = item.type;
      r.state = item.state;
      // An id written as a sign-extended 16-bit value is that value.
      r.id = ((item.id & 0xFFFF) != 0 && (item.id >> 16) == 0xFFFF) ? (item.id & 0xFFFF) : item.id;
      r.helpId = (item.flags & 0x01) ? item.helpId : 0;
      r.text = item.text;
      records.push_back(std::move(r));
    }
  } else {
    MenuTemplate menu;
    ReadMenuTemplate(data, menu);
    for (const auto& item : menu.items) {
      MenuRecord r;
      r.flags = item.flags;
      r.id = (item.flags & kMfPopup) ? 0 : item.id;
      r.text = item.text;
      records.push_back(std::move(r));
    }
  }
  return records;
}

// A value line and the names of its difference, report copy first.
void ReportWithNames(DiffReport& report, WStringView reportFormat, WStringView consoleFormat, const WString& change,
                     uint32_t id, int position, uint32_t a, uint32_t b, uint32_t difference, const WString& names) {
  WriteDiffEntry(report, reportFormat, change, id, position, a, b, difference);
  WriteDiffEntry(report, u"%s\r\n\r\n", names);
  OutputMessage(consoleFormat, change, id, position, a, b, difference);
  OutputMessage(u"%s\r\n\r\n", names);
}

void ReportFlagChange(DiffReport& report, WStringView reportFormat, WStringView consoleFormat,
                      std::span<const FlagName> table, uint32_t id, int position, uint32_t a, uint32_t b) {
  const ValueChange change = ChangeBetween(a, b);
  ReportWithNames(report, reportFormat, consoleFormat, change.word, id, position, a, b, change.difference,
                  FlagNamesOf(table, change.difference));
}

void CompareRecords(DiffReport& report, const MenuRecord& one, const MenuRecord& two, int position, bool extended) {
  bool oneSided = false;
  if (one.id != two.id) {
    ReportEntry(report, u" - id changed in menu item at position %d\r\n%d -> %d\t", position, one.id, two.id);
    if (one.end) {
      ReportEntry(report, u"item removed\r\n");
      oneSided = true;
    } else if (two.end) {
      ReportEntry(report, u"item added\r\n");
      oneSided = true;
    } else {
      const bool sameKind = extended ? one.state == two.state : one.flags == two.flags;
      ReportEntry(report, sameKind && one.text == two.text ? u"id change only\r\n" : u"item change (due to addition)\r\n");
    }
  }
  if (oneSided) return;

  if (!extended) {
    if (one.flags != two.flags) {
      const WStringView format =
          u" - style changed (%s) in menu item id: %d (position %d)\r\n   0x%x -> 0x%x (Diff: 0x%x)\t";
      ReportFlagChange(report, format, format, kMenuFlagNames, one.id, position, one.flags, two.flags);
    }
  } else {
    if (one.flags != two.flags) {
      const WStringView format =
          u" - type changed (%s) in menu item id: %d (position %d)\r\n0x%x -> 0x%x (Diff: 0x%x)\t";
      ReportFlagChange(report, format, format, kMenuExTypeNames, one.id, position, one.flags, two.flags);
    }
    if (one.state != two.state)
      ReportFlagChange(report, u" - state changed (%s) in menu item id: %d (position %d)\r\n0x%x -> 0x%x (Diff: 0x%x)\t",
                       u"- state changed (%s) in menu item id: %d (position %d)\r\n0x%x -> 0x%x (Diff: 0x%x)\t",
                       kMenuExStateNames, one.id, position, one.state, two.state);
    if (one.helpId != two.helpId) {
      WriteDiffEntry(report, u"- help identifier changed in menu item id: %d (position %d)\r\n0x%x -> 0x%x\r\n", one.id,
                     position, one.helpId, two.helpId);
      OutputMessage(u" - help identifier changed in menu item id: %d (position %d)\r\n0x%x -> 0x%x\r\n", one.id,
                    position, one.helpId, two.helpId);
    }
  }

  if (one.text != two.text && !g_excludeStrings) {
    const WString a = EscapeControlChars(one.text, one.text.size() + 1);
    const WString b = EscapeControlChars(two.text, two.text.size() + 1);
    if (extended)
      ReportEntry(report, u" - text changed in menu item id: %d (position %d)\r\n -> \"%s\"\r\n -> \"%s\"\r\n", one.id,
                  position, a, b);
    else
      ReportEntry(report, u" - text changed in menu item id: %d (position %d)\r\n -> \"%s\"\r\n -> \"%s\"\r\n\r\n",
                  one.id, position, a, b);
  }
}

}  // namespace

void CompareMenu(DiffReport& report, const Module& install, const Module& comparison, const ResId& name) {
  ByteSpan ours, theirs;
  const bool haveOurs = FindResourceData(install, ResId::Int(kRtMenu), name, nullptr, ours);
  const bool haveTheirs = FindResourceData(comparison, ResId::Int(kRtMenu), name, nullptr, theirs);
  if (!haveOurs && !haveTheirs) return;
  if (!haveTheirs) {
    ReportEntry(report, u"Menu %s added\r\n\r\n", FormatResourceName(name));
    return;
  }
  if (!haveOurs) {
    ReportEntry(report, u"Menu %s removed\r\n\r\n", FormatResourceName(name));
    return;
  }
  if (SameBytes(ours, theirs)) return;
  ReportEntry(report, u"Menu %s changed\r\n", FormatResourceName(name));

  const bool extended = IsMenuExTemplate(ours);
  const std::vector<MenuRecord> one = ReadMenuRecords(ours, extended);
  const std::vector<MenuRecord> two = ReadMenuRecords(theirs, extended);
  const MenuRecord end = EndMarker(extended);
  // In lock step, one item per position, until both sides have run out.
  size_t i = 0;
  do {
    CompareRecords(report, i < one.size() ? one[i] : end, i < two.size() ? two[i] : end, static_cast<int>(i) + 1,
                   extended);
    ++i;
  } while (i < one.size() || i < two.size());
}
