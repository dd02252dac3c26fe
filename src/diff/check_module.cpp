#include "diff/check_module.h"

#include <map>

#include "diff/check_texts.h"
#include "lngfile/dialog_template.h"
#include "lngfile/menu_template.h"
#include "lngfile/resource_access.h"
#include "lngfile/string_block.h"
#include "text/format.h"
#include "os/paths.h"

namespace {

constexpr uint32_t kPackListKeyId = 65535;

// Both sides of one pair; `lng` is null when the module has no readable
// language file, and every text then counts as missing without a finding
// of its own (the module's finding says why).
struct CheckSides {
  ModuleCheck& check;
  const Module& install;
  const Module* lng;
};

// One menu item or dialog text of a template, reduced to what is matched.
struct TemplateText {
  WString text;
  bool hasText = true;  // false for an ordinal control title
  uint32_t id = 0;
  bool hasId = false;   // an id that may pair the text
  uint32_t level = 0;   // the menu level (popup) it is in
};

// The id to position map of the texts whose id is unique on their side.
std::map<uint32_t, size_t> UniqueIds(const std::vector<TemplateText>& texts) {
  std::map<uint32_t, size_t> positions;
  std::map<uint32_t, int> seen;
  for (size_t k = 0; k < texts.size(); ++k)
    if (texts[k].hasId && ++seen[texts[k].id] == 1) positions[texts[k].id] = k;
  for (const auto& [id, count] : seen)
    if (count > 1) positions.erase(id);
  return positions;
}

// The translation of each source text: the text with the same unique id,
// else the one at the same position.
std::vector<std::optional<WString>> MatchTexts(const std::vector<TemplateText>& source,
                                               const std::vector<TemplateText>& translation) {
  const std::map<uint32_t, size_t> ours = UniqueIds(source), theirs = UniqueIds(translation);
  std::vector<std::optional<WString>> matched(source.size());
  for (size_t k = 0; k < source.size(); ++k) {
    size_t other = k;
    if (source[k].hasId && ours.count(source[k].id) && theirs.count(source[k].id)) other = theirs.at(source[k].id);
    if (other < translation.size() && translation[other].hasText) matched[k] = translation[other].text;
  }
  return matched;
}

// The menu levels of a flat item list: an item with the popup bit opens a
// level for the items after it; an item with the last bit closes its level,
// and a popup that is last closes its parent's level once its own closes.
// Kept on a list rather than the call stack, so no nesting depth of a
// hostile template can exhaust it.
template <class Item>
void AssignMenuLevels(const std::vector<Item>& items, uint16_t popupBit, uint16_t lastBit,
                      std::vector<TemplateText>& texts) {
  struct Level {
    uint32_t id;
    bool closesParent;
  };
  std::vector<Level> open{{0, false}};
  uint32_t nextLevel = 1;
  for (size_t k = 0; k < items.size(); ++k) {
    texts[k].level = open.empty() ? 0 : open.back().id;  // items after the end stay at the top
    const bool last = (items[k].flags & lastBit) != 0;
    if (items[k].flags & popupBit) {
      open.push_back({nextLevel++, last});
    } else if (last) {
      while (!open.empty()) {
        const bool closesParent = open.back().closesParent;
        open.pop_back();
        if (!closesParent) break;
      }
    }
  }
}

// The texts of a menu template of either format; false when it cannot be
// read whole.
bool ReadMenuTexts(ByteSpan data, std::vector<TemplateText>& texts) {
  texts.clear();
  if (IsMenuExTemplate(data)) {
    MenuExTemplate menu;
    if (!ReadMenuExTemplate(data, menu) || menu.truncated) return false;
    for (const MenuExItem& item : menu.items) {
      // An id whose high half is 0xFFFF stands for its low half.
      const uint32_t id = (item.id >> 16) == 0xFFFF && (item.id & 0xFFFF) ? item.id & 0xFFFF : item.id;
      texts.push_back({item.text, true, id, id != 0, 0});
    }
    AssignMenuLevels(menu.items, kMenuExPopup, kMenuExLast, texts);
  } else {
    MenuTemplate menu;
    if (!ReadMenuTemplate(data, menu) || menu.truncated) return false;
    for (const MenuItem& item : menu.items) texts.push_back({item.text, true, item.id, item.hasId && item.id != 0, 0});
    AssignMenuLevels(menu.items, kMfPopup, kMfEnd, texts);
  }
  return true;
}

// Static controls without an id of their own carry -1 in either width.
bool IsAnonymousControlId(uint32_t id) { return id == 0xFFFF || id == 0xFFFFFFFF; }
bool IsPairingId(uint32_t id) { return id != 0 && !IsAnonymousControlId(id); }

// The caption first, then every control; false when the template cannot be
// read whole.
bool ReadDialogTexts(ByteSpan data, std::vector<TemplateText>& texts) {
  texts.clear();
  DialogTemplate dialog;
  if (!ReadDialogTemplate(data, dialog) || dialog.truncated) return false;
  texts.push_back({dialog.title, true, 0, false, 0});
  for (const DialogItem& item : dialog.items)
    texts.push_back({item.title.name, !item.title.isOrdinal, item.id, IsPairingId(item.id), 0});
  return true;
}

TextPlace Place(CheckedResource resource, const ResId& id) {
  TextPlace place;
  place.resource = resource;
  place.id = id;
  return place;
}

// The resource of the language file: found, not there (told unless the
// module has no readable language file), or unreadable (told).
enum class Counterpart { Found, Lacking, Unreadable };

template <class Reader>
Counterpart ReadCounterpart(CheckSides& sides, uint16_t type, const ResId& name, CheckedResource resource,
                            WStringView label, Reader read, std::vector<TemplateText>& texts) {
  ByteSpan data;
  if (!sides.lng) return Counterpart::Lacking;
  if (!FindResourceData(*sides.lng, ResId::Int(type), name, nullptr, data)) {
    AddFinding(sides.check, CheckKind::Missing, Place(resource, name),
               Format(u"%s %s is not in the language file", label, ResIdText(name)));
    return Counterpart::Lacking;
  }
  if (!read(data, texts)) {
    AddFinding(sides.check, CheckKind::Unreadable, Place(resource, name),
               Format(u"%s %s of the language file cannot be read", label, ResIdText(name)));
    return Counterpart::Unreadable;
  }
  return Counterpart::Found;
}

// Menus and dialogs: the texts paired, checked, and the hotkeys of each
// menu level or of the dialog's controls checked together.
void CheckTemplate(CheckSides& sides, uint16_t type, const ResId& name) {
  const bool menu = type == kRtMenu;
  const CheckedResource resource = menu ? CheckedResource::Menu : CheckedResource::Dialog;
  const WStringView label = menu ? u"menu" : u"dialog";
  auto read = menu ? ReadMenuTexts : ReadDialogTexts;
  ByteSpan data;
  std::vector<TemplateText> source, translation;
  if (!FindResourceData(sides.install, ResId::Int(type), name, nullptr, data)) return;
  if (!read(data, source)) {
    AddFinding(sides.check, CheckKind::Unreadable, Place(resource, name),
               Format(u"%s %s of the module cannot be read", label, ResIdText(name)));
    return;
  }
  const Counterpart found = ReadCounterpart(sides, type, name, resource, label, read, translation);
  const std::vector<std::optional<WString>> matched =
      found == Counterpart::Found ? MatchTexts(source, translation) : std::vector<std::optional<WString>>(source.size());

  std::vector<TextPair> pairs(source.size());
  for (size_t k = 0; k < source.size(); ++k) {
    TextPair& pair = pairs[k];
    pair.place = Place(resource, name);
    // A dialog's caption is its first text; its controls count from 1.
    const bool caption = !menu && k == 0;
    if (!caption) {
      pair.place.index = static_cast<uint32_t>(menu ? k + 1 : k);
      // Static controls with -1 have no id to show.
      if (menu ? source[k].hasId : !IsAnonymousControlId(source[k].id)) pair.place.item = source[k].id;
    }
    pair.role = menu ? TextRole::MenuItem : TextRole::DialogText;
    if (source[k].hasText) pair.source = source[k].text;
    pair.translation = matched[k];
    pair.reportMissing = found == Counterpart::Found;
    CheckTextPair(sides.check, pair);
  }
  if (found != Counterpart::Found) return;
  std::map<uint32_t, std::vector<const TextPair*>> groups;
  for (size_t k = menu ? 0 : 1; k < pairs.size(); ++k)
    if (!pairs[k].source.empty()) groups[source[k].level].push_back(&pairs[k]);
  for (const auto& [level, group] : groups) CheckHotkeyCollisions(sides.check, group);
}

bool ReadWholeBlock(ByteSpan data, StringBlock& block) { return ReadStringBlock(data, block) && !block.truncated; }

void CheckStringBlock(CheckSides& sides, const ResId& name) {
  // Blocks 1 to 4096 hold the strings 0 to 65535; no string has an id in another.
  if (name.isName || name.id == 0 || name.id > 4096) return;
  ByteSpan data;
  StringBlock ours, theirs;
  if (!FindResourceData(sides.install, ResId::Int(kRtString), name, nullptr, data)) return;
  // A block that cannot be read is told at its first string.
  auto blockFinding = [&](CheckKind kind, WStringView side) {
    const TextPlace place = Place(CheckedResource::StringTable, ResId::Int(static_cast<uint16_t>(StringIdOf(name.id, 0))));
    AddFinding(sides.check, kind, place,
               Format(u"the string block of strings %u to %u of the %s cannot be read", StringIdOf(name.id, 0),
                      StringIdOf(name.id, 15), side));
  };
  if (!ReadWholeBlock(data, ours)) return blockFinding(CheckKind::Unreadable, u"module");
  bool found = false, readable = true;
  if (sides.lng && FindResourceData(*sides.lng, ResId::Int(kRtString), name, nullptr, data)) {
    found = true;
    readable = ReadWholeBlock(data, theirs);
    if (!readable) blockFinding(CheckKind::Unreadable, u"language file");
  }
  for (uint32_t slot = 0; slot < 16; ++slot) {
    const uint32_t id = StringIdOf(name.id, slot);
    if (id == kPackListKeyId) continue;  // the pack list's key: the guid check
    TextPair pair;
    pair.place = Place(CheckedResource::StringTable, ResId::Int(static_cast<uint16_t>(id)));
    pair.source = ours.strings[slot];
    if (found && readable) pair.translation = theirs.strings[slot];
    pair.reportMissing = sides.lng && readable;
    CheckTextPair(sides.check, pair);
  }
}

// String 65535 is the key the pack list finds the module by: a language
// file with another one is not the module's.
void CheckPackListKey(CheckSides& sides) {
  WString ours, theirs;
  if (!sides.lng || !LoadModuleString(sides.install, kPackListKeyId, ours)) return;
  const bool have = LoadModuleString(*sides.lng, kPackListKeyId, theirs);
  if (have && theirs == ours) return;
  AddFinding(sides.check, CheckKind::Guid, Place(CheckedResource::StringTable, ResId::Int(0xFFFF)),
             u"string 65535 is not the module's", ours, have ? std::optional<WString>(theirs) : std::nullopt);
}

void CheckResources(CheckSides& sides) {
  CheckPackListKey(sides);
  for (const ResId& type : EnumResourceTypes(sides.install)) {
    if (type.isName || (type.id != kRtString && type.id != kRtMenu && type.id != kRtDialog)) continue;
    for (const ResId& name : EnumResourceNames(sides.install, type)) {
      if (type.id == kRtString) CheckStringBlock(sides, name);
      else CheckTemplate(sides, type.id, name);
    }
  }
}

}  // namespace

ModuleCheck CheckModulePair(const ModulePair& pair) {
  ModuleCheck check;
  check.module = pair.relative;
  const TextPlace modulePlace;
  const ModulePtr install = LoadModuleAsData(pair.install);
  if (!install) {
    AddFinding(check, CheckKind::Unreadable, modulePlace, u"the module cannot be read as a PE module");
    if (!pair.counterpartFile.empty()) check.languageFile = LastComponent(pair.counterpartFile);
    return check;
  }
  ModulePtr lng;
  if (pair.counterpartFile.empty()) {
    AddFinding(check, CheckKind::Missing, modulePlace,
               Format(u"no language file %s found", LastComponent(pair.counterpart)));
  } else {
    check.languageFile = LastComponent(pair.counterpartFile);
    lng = LoadModuleAsData(pair.counterpartFile);
    if (!lng) AddFinding(check, CheckKind::Unreadable, modulePlace, u"the language file cannot be read as a PE module");
  }
  CheckSides sides{check, *install, lng.get()};
  CheckResources(sides);
  return check;
}
