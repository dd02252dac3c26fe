#include "lngfile/resource_texts.h"

#include <unordered_map>

#include "lngfile/resource_access.h"
#include "lngfile/string_block.h"

namespace {

constexpr uint32_t kModuleGuidString = 65535;

// A number in decimal: keys are made for every text of every module.
WString& AppendNumber(WString& text, uint32_t number) {
  char16_t digits[10];
  size_t n = sizeof digits / sizeof digits[0];
  do {
    digits[--n] = static_cast<char16_t>(u'0' + number % 10);
    number /= 10;
  } while (number);
  return text.append(digits + n, sizeof digits / sizeof digits[0] - n);
}

WString ResourcePart(WStringView kind, const ResId& name) {
  WString part(kind);
  part += u'/';
  if (name.isName) return part + name.name;
  return AppendNumber(part, name.id);
}

WString Subkey(const WString& resource, WStringView marker, uint32_t number) {
  WString key = resource;
  key += marker;
  return AppendNumber(key, number);
}

// Ids that name one item only: an id given twice (the same command in two
// popups) or 0 is no key.
template <class Items, class IdOf>
std::vector<bool> UniqueIds(const Items& items, IdOf idOf, uint32_t noIdA, uint32_t noIdB) {
  std::unordered_map<uint32_t, int> counts;
  for (const auto& item : items) ++counts[idOf(item)];
  std::vector<bool> unique;
  unique.reserve(items.size());
  for (const auto& item : items) {
    const uint32_t id = idOf(item);
    unique.push_back(id != 0 && id != noIdA && id != noIdB && counts[id] == 1);
  }
  return unique;
}

// Where each item of a flat menu template sits: its index at each level
// and the popups above it. A popup's items follow it; the item flagged
// last closes its level, and a popup that was itself the last of its level
// closes that one too.
struct MenuPlace {
  std::vector<size_t> path;
  std::vector<size_t> popups;  // item indices, outermost first
};

template <class Items, class IsPopup, class IsLast>
std::vector<MenuPlace> MenuPlaces(const Items& items, IsPopup isPopup, IsLast isLast) {
  std::vector<MenuPlace> places;
  places.reserve(items.size());
  std::vector<size_t> path{0}, popups;
  std::vector<bool> popupWasLast;
  for (size_t i = 0; i < items.size(); ++i) {
    places.push_back({path, popups});
    const bool last = isLast(items[i]);
    if (isPopup(items[i])) {
      popups.push_back(i);
      popupWasLast.push_back(last);
      path.push_back(0);
      continue;
    }
    bool close = last;
    while (close && !popupWasLast.empty()) {
      close = popupWasLast.back();
      popupWasLast.pop_back();
      popups.pop_back();
      path.pop_back();
    }
    ++path.back();
  }
  return places;
}

WString PositionKey(const WString& resource, const std::vector<size_t>& path) {
  WString key = resource + u"/#";
  for (size_t level = 0; level < path.size(); ++level) {
    if (level) key += u'.';
    AppendNumber(key, static_cast<uint32_t>(path[level]));
  }
  return key;
}

template <class Items, class IdOf, class IsPopup, class IsLast, class Translated>
std::vector<WString> KeysOfMenu(const ResId& menu, const Items& items, IdOf idOf, IsPopup isPopup, IsLast isLast,
                                Translated translated) {
  const WString resource = ResourcePart(u"MENU", menu);
  const std::vector<bool> unique = UniqueIds(items, idOf, 0, 0);
  const std::vector<MenuPlace> places = MenuPlaces(items, isPopup, isLast);
  std::vector<WString> keys(items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    if (!translated(items[i])) continue;
    keys[i] = unique[i] ? Subkey(resource, u"/", idOf(items[i])) : PositionKey(resource, places[i].path);
  }
  return keys;
}

// A MENUEX id written as a sign-extended 16-bit value is that value, as the
// language file's builder writes it: the key is the same on both sides.
uint32_t MenuExId(const MenuExItem& item) {
  return ((item.id & 0xFFFF) != 0 && (item.id >> 16) == 0xFFFF) ? (item.id & 0xFFFF) : item.id;
}
uint32_t MenuId(const MenuItem& item) { return item.hasId ? item.id : 0; }
bool MenuIsPopup(const MenuItem& item) { return (item.flags & kMfPopup) != 0; }
bool MenuIsLast(const MenuItem& item) { return (item.flags & kMfEnd) != 0; }
bool MenuExIsPopup(const MenuExItem& item) { return (item.flags & kMenuExPopup) != 0; }
bool MenuExIsLast(const MenuExItem& item) { return (item.flags & kMenuExLast) != 0; }
// The text before an embedded zero: what the player shows.
WString Shown(const WString& text) { return text.substr(0, text.find(u'\0')); }
WString Shown(WString&& text) {
  const size_t zero = text.find(u'\0');
  if (zero != WString::npos) text.resize(zero);
  return std::move(text);
}
template <class Item>
bool HasText(const Item& item) {
  return !Shown(item.text).empty();
}

template <class Menu, class IdOf, class IsPopup, class IsLast>
void AddMenuTexts(const Menu& menu, const std::vector<WString>& keys, IdOf idOf, IsPopup isPopup,
                  IsLast isLast, std::vector<ResourceText>& out) {
  const std::vector<MenuPlace> places = MenuPlaces(menu.items, isPopup, isLast);
  for (size_t i = 0; i < menu.items.size(); ++i) {
    if (keys[i].empty()) continue;
    ResourceText text;
    text.kind = TextKind::MenuItem;
    text.key = keys[i];
    text.id = idOf(menu.items[i]);
    for (size_t popup : places[i].popups) text.popups.push_back(Shown(menu.items[popup].text));
    text.text = Shown(menu.items[i].text);
    out.push_back(std::move(text));
  }
}

WString ControlClassName(const NameOrOrdinal& windowClass) {
  if (!windowClass.isOrdinal) return windowClass.name;
  switch (windowClass.ordinal) {
    case 0x80: return u"Button";
    case 0x81: return u"Edit";
    case 0x82: return u"Static";
    case 0x83: return u"ListBox";
    case 0x84: return u"ScrollBar";
    case 0x85: return u"ComboBox";
    default: return Format(u"#%u", static_cast<unsigned>(windowClass.ordinal));
  }
}

}  // namespace

WString StringTextKey(uint32_t id) {
  static constexpr WStringView kPrefix = u"STRINGTABLE/";
  WString key;
  key.reserve(kPrefix.size() + 10);
  key.append(kPrefix);
  return AppendNumber(key, id);
}

std::vector<WString> MenuTextKeys(const ResId& menu, const MenuTemplate& items) {
  return KeysOfMenu(menu, items.items, MenuId, MenuIsPopup, MenuIsLast, HasText<MenuItem>);
}

std::vector<WString> MenuExTextKeys(const ResId& menu, const MenuExTemplate& items) {
  return KeysOfMenu(menu, items.items, MenuExId, MenuExIsPopup, MenuExIsLast, HasText<MenuExItem>);
}

WString DialogCaptionKey(const ResId& dialog) { return ResourcePart(u"DIALOG", dialog); }

std::vector<WString> DialogControlKeys(const ResId& dialog, const DialogTemplate& items) {
  const WString resource = ResourcePart(u"DIALOG", dialog);
  // -1 (IDC_STATIC) is 16 bits in DIALOG and 32 in DIALOGEX.
  const std::vector<bool> unique =
      UniqueIds(items.items, [](const DialogItem& item) { return item.id; }, 0xFFFF, 0xFFFFFFFF);
  std::vector<WString> keys(items.items.size());
  for (size_t i = 0; i < items.items.size(); ++i) {
    const DialogItem& item = items.items[i];
    if (item.title.isOrdinal || Shown(item.title.name).empty()) continue;
    keys[i] = unique[i] ? Subkey(resource, u"/", item.id) : Subkey(resource, u"/#", static_cast<uint32_t>(i));
  }
  return keys;
}

void AddResourceTexts(const ResId& type, const ResId& name, ByteSpan data, std::vector<ResourceText>& out) {
  if (type.isName) return;
  if (type.id == kRtString) {
    StringBlock block;
    ReadStringBlock(data, block);
    if (block.truncated || name.isName) return;
    for (uint32_t position = 0; position < block.strings.size(); ++position) {
      const uint32_t id = StringIdOf(name.id, position);
      WString shown = Shown(std::move(block.strings[position]));
      if (id == kModuleGuidString || shown.empty()) continue;
      ResourceText text;
      text.key = StringTextKey(id);
      text.text = std::move(shown);
      text.id = id;
      out.push_back(std::move(text));
    }
  } else if (type.id == kRtMenu) {
    if (IsMenuExTemplate(data)) {
      MenuExTemplate menu;
      if (ReadMenuExTemplate(data, menu) && !menu.truncated)
        AddMenuTexts(menu, MenuExTextKeys(name, menu), MenuExId, MenuExIsPopup, MenuExIsLast, out);
    } else {
      MenuTemplate menu;
      if (ReadMenuTemplate(data, menu) && !menu.truncated)
        AddMenuTexts(menu, MenuTextKeys(name, menu), MenuId, MenuIsPopup, MenuIsLast, out);
    }
  } else if (type.id == kRtDialog) {
    DialogTemplate dialog;
    if (!ReadDialogTemplate(data, dialog) || dialog.truncated) return;
    if (!Shown(dialog.title).empty()) {
      ResourceText caption;
      caption.kind = TextKind::DialogCaption;
      caption.key = DialogCaptionKey(name);
      caption.text = Shown(dialog.title);
      caption.id = name.isName ? 0 : name.id;
      caption.cx = dialog.cx;
      caption.cy = dialog.cy;
      out.push_back(std::move(caption));
    }
    const std::vector<WString> keys = DialogControlKeys(name, dialog);
    for (size_t i = 0; i < dialog.items.size(); ++i) {
      if (keys[i].empty()) continue;
      DialogItem& item = dialog.items[i];
      ResourceText text;
      text.kind = TextKind::DialogControl;
      text.key = keys[i];
      text.id = item.id;
      text.text = Shown(std::move(dialog.items[i].title.name));
      text.controlClass = ControlClassName(item.windowClass);
      text.cx = item.cx;
      text.cy = item.cy;
      out.push_back(std::move(text));
    }
  }
}

std::vector<ResourceText> ReadModuleTexts(const Module& module) {
  std::vector<ResourceText> texts;
  for (const ResId& type : EnumResourceTypes(module)) {
    if (type.isName || (type.id != kRtString && type.id != kRtMenu && type.id != kRtDialog)) continue;
    for (const ResId& name : EnumResourceNames(module, type)) {
      ByteSpan data;
      if (!FindResourceData(module, type, name, nullptr, data)) continue;
      AddResourceTexts(type, name, data, texts);
    }
  }
  return texts;
}
