#include "lngfile/menu_template.h"

#include "lngfile/template_codec.h"

namespace {

// One MENUITEMTEMPLATE: flags, an identifier unless MF_POPUP, the text.
bool ReadMenuItem(ByteReader& reader, MenuItem& item) {
  if (!reader.U16(item.flags)) return false;
  item.hasId = (item.flags & kMfPopup) == 0;
  if (item.hasId && !reader.U16(item.id)) return false;
  return reader.ZeroTerminatedWide(item.text);
}

// One MENUEX_TEMPLATE_ITEM up to its text; the padding after the text and
// the popup's help identifier are read by the caller.
bool ReadMenuExItemHead(ByteReader& reader, MenuExItem& item) {
  return reader.U32(item.type) && reader.U32(item.state) && reader.U32(item.id) && reader.U16(item.flags) &&
         ReadAlignment(reader, 2, item.textAlign) && reader.ZeroTerminatedWide(item.text);
}

}  // namespace

bool IsMenuExTemplate(ByteSpan data) {
  uint16_t version = 0;
  return ByteReader(data).PeekU16At(0, version) && version != 0;
}

bool ReadMenuTemplate(ByteSpan data, MenuTemplate& menu) {
  menu = MenuTemplate{};
  ByteReader reader(data);
  ByteSpan extra;
  if (!reader.U16(menu.version) || !reader.U16(menu.offset) || !reader.Bytes(menu.offset, extra)) return false;
  menu.headerExtra.assign(extra.begin(), extra.end());
  while (!reader.AtEnd()) {
    const size_t start = reader.Offset();
    MenuItem item;
    if (!ReadMenuItem(reader, item)) {
      menu.truncated = true;
      menu.trailing = BytesFrom(data, start);
      return true;
    }
    menu.items.push_back(std::move(item));
  }
  return true;
}

std::vector<uint8_t> WriteMenuTemplate(const MenuTemplate& menu) {
  std::vector<uint8_t> out;
  PutU16(out, menu.version);
  PutU16(out, menu.offset);
  out.insert(out.end(), menu.headerExtra.begin(), menu.headerExtra.end());
  for (const MenuItem& item : menu.items) {
    PutU16(out, item.flags);
    if (item.hasId) PutU16(out, item.id);
    PutWide(out, item.text, true);
  }
  out.insert(out.end(), menu.trailing.begin(), menu.trailing.end());
  return out;
}

bool ReadMenuExTemplate(ByteSpan data, MenuExTemplate& menu) {
  menu = MenuExTemplate{};
  ByteReader reader(data);
  if (!reader.U16(menu.version) || !reader.U16(menu.offset)) return false;
  size_t extraSize = menu.offset;
  if (menu.offset >= 4) {
    if (!reader.U32(menu.helpId)) return false;
    extraSize -= 4;
  }
  ByteSpan extra;
  if (!reader.Bytes(extraSize, extra)) return false;
  menu.headerExtra.assign(extra.begin(), extra.end());
  while (!reader.AtEnd()) {
    const size_t start = reader.Offset();
    MenuExItem item;
    bool whole = ReadMenuExItemHead(reader, item);
    if (whole && !ReadAlignment(reader, 4, item.endAlign)) {
      // The data ends inside the padding after this item's text: whole
      // unless a help identifier should follow.
      whole = (item.flags & kMenuExPopup) == 0;
      if (whole) {
        menu.items.push_back(std::move(item));
        menu.unpaddedEnd = true;
        menu.trailing = BytesFrom(data, reader.Offset());
        return true;
      }
    }
    if (whole && (item.flags & kMenuExPopup)) whole = reader.U32(item.helpId);
    if (!whole) {
      menu.truncated = true;
      menu.trailing = BytesFrom(data, start);
      return true;
    }
    menu.items.push_back(std::move(item));
  }
  return true;
}

std::vector<uint8_t> WriteMenuExTemplate(const MenuExTemplate& menu) {
  std::vector<uint8_t> out;
  PutU16(out, menu.version);
  PutU16(out, menu.offset);
  if (menu.offset >= 4) PutU32(out, menu.helpId);
  out.insert(out.end(), menu.headerExtra.begin(), menu.headerExtra.end());
  for (size_t i = 0; i < menu.items.size(); ++i) {
    const MenuExItem& item = menu.items[i];
    PutU32(out, item.type);
    PutU32(out, item.state);
    PutU32(out, item.id);
    PutU16(out, item.flags);
    WriteAlignment(out, 2, item.textAlign);
    PutWide(out, item.text, true);
    const bool last = i + 1 == menu.items.size();
    if (last && menu.unpaddedEnd && (item.flags & kMenuExPopup) == 0) break;
    WriteAlignment(out, 4, item.endAlign);
    if (item.flags & kMenuExPopup) PutU32(out, item.helpId);
  }
  out.insert(out.end(), menu.trailing.begin(), menu.trailing.end());
  return out;
}
