// Menu template codecs: MENU (MENUITEMTEMPLATEHEADER, version 0, with
// MENUITEMTEMPLATE items) and MENUEX (MENUEX_TEMPLATE_HEADER with
// MENUEX_TEMPLATE_ITEM entries). Items are listed flat, in template order;
// popups are not nested.
#pragma once

#include <cstdint>
#include <vector>

#include "pe/byte_reader.h"
#include "text/text.h"

constexpr uint16_t kMfPopup = 0x0010;
constexpr uint16_t kMfEnd = 0x0080;
constexpr uint16_t kMenuExPopup = 0x0001;  // MENUEX resource-info bits
constexpr uint16_t kMenuExLast = 0x0080;

struct MenuItem {
  uint16_t flags = 0;
  bool hasId = true;  // false for MF_POPUP items, which carry no identifier
  uint16_t id = 0;
  WString text;
};

struct MenuTemplate {
  uint16_t version = 0;
  uint16_t offset = 0;               // header offset word: bytes between header and items
  std::vector<uint8_t> headerExtra;  // those bytes, kept
  std::vector<MenuItem> items;
  bool truncated = false;            // the last item ran past the end: not listed
  std::vector<uint8_t> trailing;     // bytes after the last whole item
};

struct MenuExItem {
  uint32_t type = 0;
  uint32_t state = 0;
  uint32_t id = 0;
  uint16_t flags = 0;  // resource-info word; 0x01 popup, 0x80 last
  WString text;
  uint32_t helpId = 0;  // present only when flags & 0x01
  // Alignment bytes as read (before the text, after it); written again
  // where the layout needs that many, zeros otherwise.
  std::vector<uint8_t> textAlign, endAlign;
};

struct MenuExTemplate {
  uint16_t version = 1;
  uint16_t offset = 4;               // bytes from the end of this word to the first item
  uint32_t helpId = 0;               // the first four bytes of those, when there are four
  std::vector<uint8_t> headerExtra;  // the rest of them (all of them when fewer than four)
  std::vector<MenuExItem> items;
  bool truncated = false;
  // Every item is padded to a 4-byte boundary after its text; some resource
  // compilers leave the padding out after the last item. Set when the data
  // ended inside that padding, so that the writer leaves it out too.
  bool unpaddedEnd = false;
  std::vector<uint8_t> trailing;
};

// A menu template is MENUEX when its first word is not 0.
bool IsMenuExTemplate(ByteSpan data);
// Cut input as template_codec.h says; the header is the version and
// offset words with the bytes the offset word announces.
bool ReadMenuTemplate(ByteSpan data, MenuTemplate& menu);
std::vector<uint8_t> WriteMenuTemplate(const MenuTemplate& menu);
bool ReadMenuExTemplate(ByteSpan data, MenuExTemplate& menu);
std::vector<uint8_t> WriteMenuExTemplate(const MenuExTemplate& menu);
