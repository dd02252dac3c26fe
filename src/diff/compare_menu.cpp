#include <vector>

#include "diff/comparers.h"
#include "diff/flag_names.h"
#include "lngfile/menu_template.h"

namespace {

// One item as the walk sees it, in either format. Past the last item a side
// yields the end marker.
struct MenuRecord {
  uint32_t flags = 0;  // MENU option flags or MENUEX type
  uint32_t state = 0;
  uint32_t id = 0;
  uint32_t helpId = 0;
  WString text;
};

constexpr uint32_t kMenuEndId = 0xFFFF, kMenuExEndId = 0xFFFFFFFF;

MenuRecord EndMarker(bool extended) {
  MenuRecord r;
  r.flags = extended ? 0 : 0xFFFF;
  r.id = extended ? kMenuExEndId : kMenuEndId;
  return r;
}

// A side has run out where its id is the end marker's. A MENU item whose id
// is 0xFFFF (-1 in the source) reads the same way; a MENUEX id never does,
// since an id of -1 reads as 0xFFFF.
bool IsEndId(uint32_t id, bool extended) { return id == (extended ? kMenuExEndId : kMenuEndId); }

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

// A value line and the names of its difference. The report and the console
// read the same unless a separate console format is given.
void ReportFlagChange(DiffReport& report, WStringView reportFormat, WStringView consoleFormat,
                      std::span<const FlagName> table, uint32_t id, int position, uint32_t a, uint32_t b) {
  const ValueChange change = ChangeBetween(a, b);
  const WString names = FlagNamesOf(table, change.difference);
  if (consoleFormat.empty()) {
    ReportEntry(report, reportFormat, change.word, id, position, a, b, change.difference);
    ReportEntry(report, u"%s\r\n\r\n", names);
    return;
  }
  WriteDiffEntry(report, reportFormat, change.word, id, position, a, b, change.difference);
  WriteDiffEntry(report, u"%s\r\n\r\n", names);
  ConsoleEntry(report, consoleFormat, change.word, id, position, a, b, change.difference);
  ConsoleEntry(report, u"%s\r\n\r\n", names);
}

void CompareRecords(DiffReport& report, const MenuRecord& one, const MenuRecord& two, int position, bool extended) {
  bool oneSided = false;
  if (one.id != two.id) {
    ReportEntry(report, u" - id changed in menu item at position %d\r\n%d -> %d\t", position, one.id, two.id);
    if (IsEndId(one.id, extended)) {
      ReportEntry(report, u"item removed\r\n");
      oneSided = true;
    } else if (IsEndId(two.id, extended)) {
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
      ReportFlagChange(report, format, {}, kMenuFlagNames, one.id, position, one.flags, two.flags);
    }
  } else {
    if (one.flags != two.flags) {
      const WStringView format =
          u" - type changed (%s) in menu item id: %d (position %d)\r\n0x%x -> 0x%x (Diff: 0x%x)\t";
      ReportFlagChange(report, format, {}, kMenuExTypeNames, one.id, position, one.flags, two.flags);
    }
    if (one.state != two.state)
      ReportFlagChange(report, u" - state changed (%s) in menu item id: %d (position %d)\r\n0x%x -> 0x%x (Diff: 0x%x)\t",
                       u"- state changed (%s) in menu item id: %d (position %d)\r\n0x%x -> 0x%x (Diff: 0x%x)\t",
                       kMenuExStateNames, one.id, position, one.state, two.state);
    if (one.helpId != two.helpId) {
      WriteDiffEntry(report, u"- help identifier changed in menu item id: %d (position %d)\r\n0x%x -> 0x%x\r\n", one.id,
                     position, one.helpId, two.helpId);
      ConsoleEntry(report, u" - help identifier changed in menu item id: %d (position %d)\r\n0x%x -> 0x%x\r\n", one.id,
                   position, one.helpId, two.helpId);
    }
  }

  if (one.text != two.text && !report.options.excludeStrings) {
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
  const ResourcePair pair = LookUpBoth(install, comparison, ResId::Int(kRtMenu), name);
  const WString shown = FormatResourceName(name);
  if (!ReportPresence(report, pair, u"Menu %s added\r\n\r\n", u"Menu %s removed\r\n\r\n", shown)) return;
  ReportEntry(report, u"Menu %s changed\r\n", shown);

  const bool extended = IsMenuExTemplate(pair.ours);
  const std::vector<MenuRecord> one = ReadMenuRecords(pair.ours, extended);
  const std::vector<MenuRecord> two = ReadMenuRecords(pair.theirs, extended);
  const MenuRecord end = EndMarker(extended);
  // In lock step, one item per position, until both sides have run out.
  size_t i = 0;
  do {
    CompareRecords(report, i < one.size() ? one[i] : end, i < two.size() ? two[i] : end, static_cast<int>(i) + 1,
                   extended);
    ++i;
  } while (i < one.size() || i < two.size());
}
