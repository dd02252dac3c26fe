// Dialog template codecs: DIALOG (DLGTEMPLATE with DLGITEMTEMPLATE items)
// and DIALOGEX (DLGTEMPLATEEX with DLGITEMTEMPLATEEX items), in one record.
#pragma once

#include <cstdint>
#include <vector>

#include "pe/byte_reader.h"
#include "text/text.h"

constexpr uint32_t kDsSetFont = 0x40;

// A menu, class or title field: 0xFFFF and an ordinal, or a zero-terminated
// name (empty for the single zero unit that means none).
struct NameOrOrdinal {
  bool isOrdinal = false;
  uint16_t ordinal = 0;
  WString name;
};

struct DialogItem {
  uint32_t helpId = 0;  // DIALOGEX only
  uint32_t exStyle = 0;
  uint32_t style = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  uint32_t id = 0;  // 16 bits in DIALOG
  NameOrOrdinal windowClass;
  NameOrOrdinal title;
  uint16_t creationCount = 0;         // the creation data word as stored
  std::vector<uint8_t> creationData;  // the bytes it announces
  // The alignment bytes before the item as read; written again where the
  // layout needs that many, zeros otherwise.
  std::vector<uint8_t> alignBefore;
};

struct DialogTemplate {
  bool extended = false;  // first word 1, second 0xFFFF
  uint16_t version = 1, signature = 0xFFFF;
  uint32_t helpId = 0;
  uint32_t exStyle = 0;
  uint32_t style = 0;
  uint16_t itemCount = 0;  // as stored; items may hold fewer when truncated
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  NameOrOrdinal menu;
  NameOrOrdinal windowClass;
  WString title;
  bool hasFont = false;  // style & DS_SETFONT
  uint16_t pointSize = 0, weight = 0;
  uint8_t italic = 0, charset = 0;
  WString typeface;
  std::vector<DialogItem> items;
  bool truncated = false;  // the data ended before the header or an item did
  // The cut came inside the header's menu, class, title or font: `trailing`
  // then holds everything after the fixed header fields.
  bool headerCut = false;
  std::vector<uint8_t> trailing;  // bytes after the last whole part
};

bool IsDialogExTemplate(ByteSpan data);
// Cut input as template_codec.h says; the header is the fixed part up to
// the dialog's position and size.
bool ReadDialogTemplate(ByteSpan data, DialogTemplate& dialog);
std::vector<uint8_t> WriteDialogTemplate(const DialogTemplate& dialog);
// How many bytes of creation data follow an item's count word.
uint16_t CreationDataSize(bool extended, uint16_t creationCount);
