#include "lngfile/dialog_template.h"

#include "lngfile/template_codec.h"

namespace {

bool ReadNameOrOrdinal(ByteReader& reader, NameOrOrdinal& field) {
  field = NameOrOrdinal{};
  uint16_t first = 0;
  if (!reader.PeekU16At(reader.Offset(), first)) return false;
  if (first == 0xFFFF) {
    field.isOrdinal = true;
    return reader.Skip(2) && reader.U16(field.ordinal);
  }
  return reader.ZeroTerminatedWide(field.name);
}

void PutNameOrOrdinal(std::vector<uint8_t>& out, const NameOrOrdinal& field) {
  if (field.isOrdinal) {
    PutU16(out, 0xFFFF);
    PutU16(out, field.ordinal);
  } else {
    PutWide(out, field.name, true);
  }
}

bool ReadFixedHeader(ByteReader& reader, DialogTemplate& dialog) {
  if (dialog.extended)
    return reader.U16(dialog.version) && reader.U16(dialog.signature) && reader.U32(dialog.helpId) &&
           reader.U32(dialog.exStyle) && reader.U32(dialog.style) && reader.U16(dialog.itemCount) &&
           reader.I16(dialog.x) && reader.I16(dialog.y) && reader.I16(dialog.cx) && reader.I16(dialog.cy);
  return reader.U32(dialog.style) && reader.U32(dialog.exStyle) && reader.U16(dialog.itemCount) &&
         reader.I16(dialog.x) && reader.I16(dialog.y) && reader.I16(dialog.cx) && reader.I16(dialog.cy);
}

bool ReadVariableHeader(ByteReader& reader, DialogTemplate& dialog) {
  if (!ReadNameOrOrdinal(reader, dialog.menu) || !ReadNameOrOrdinal(reader, dialog.windowClass) ||
      !reader.ZeroTerminatedWide(dialog.title))
    return false;
  if (!dialog.hasFont) return true;
  if (!reader.U16(dialog.pointSize)) return false;
  if (dialog.extended && !(reader.U16(dialog.weight) && reader.U8(dialog.italic) && reader.U8(dialog.charset)))
    return false;
  return reader.ZeroTerminatedWide(dialog.typeface);
}

bool ReadItem(ByteReader& reader, bool extended, DialogItem& item) {
  bool ok;
  if (extended) {
    ok = reader.U32(item.helpId) && reader.U32(item.exStyle) && reader.U32(item.style) && reader.I16(item.x) &&
         reader.I16(item.y) && reader.I16(item.cx) && reader.I16(item.cy) && reader.U32(item.id);
  } else {
    uint16_t id = 0;
    ok = reader.U32(item.style) && reader.U32(item.exStyle) && reader.I16(item.x) && reader.I16(item.y) &&
         reader.I16(item.cx) && reader.I16(item.cy) && reader.U16(id);
    item.id = id;
  }
  ByteSpan creation;
  ok = ok && ReadNameOrOrdinal(reader, item.windowClass) && ReadNameOrOrdinal(reader, item.title) &&
       reader.U16(item.creationCount) && reader.Bytes(CreationDataSize(extended, item.creationCount), creation);
  if (ok) item.creationData.assign(creation.begin(), creation.end());
  return ok;
}

void PutFixedHeader(std::vector<uint8_t>& out, const DialogTemplate& dialog) {
  if (dialog.extended) {
    PutU16(out, dialog.version);
    PutU16(out, dialog.signature);
    PutU32(out, dialog.helpId);
    PutU32(out, dialog.exStyle);
    PutU32(out, dialog.style);
  } else {
    PutU32(out, dialog.style);
    PutU32(out, dialog.exStyle);
  }
  PutU16(out, dialog.itemCount);
  for (int16_t v : {dialog.x, dialog.y, dialog.cx, dialog.cy}) PutU16(out, static_cast<uint16_t>(v));
}

void PutItem(std::vector<uint8_t>& out, bool extended, const DialogItem& item) {
  if (extended) {
    PutU32(out, item.helpId);
    PutU32(out, item.exStyle);
    PutU32(out, item.style);
  } else {
    PutU32(out, item.style);
    PutU32(out, item.exStyle);
  }
  for (int16_t v : {item.x, item.y, item.cx, item.cy}) PutU16(out, static_cast<uint16_t>(v));
  if (extended)
    PutU32(out, item.id);
  else
    PutU16(out, static_cast<uint16_t>(item.id));
  PutNameOrOrdinal(out, item.windowClass);
  PutNameOrOrdinal(out, item.title);
  PutU16(out, item.creationCount);
  out.insert(out.end(), item.creationData.begin(), item.creationData.end());
}

}  // namespace

// DLGITEMTEMPLATE: a non-zero first word of the creation data is its size
// in bytes including that word, so count - 2 bytes follow it (a count of 1
// announces nothing). DLGITEMTEMPLATEEX: the count word (extraCount) is the
// number of bytes that follow it.
uint16_t CreationDataSize(bool extended, uint16_t creationCount) {
  if (extended) return creationCount;
  return creationCount >= 2 ? static_cast<uint16_t>(creationCount - 2) : 0;
}

bool IsDialogExTemplate(ByteSpan data) {
  const ByteReader reader(data);
  uint16_t version = 0, signature = 0;
  return reader.PeekU16At(0, version) && reader.PeekU16At(2, signature) && version == 1 && signature == 0xFFFF;
}

bool ReadDialogTemplate(ByteSpan data, DialogTemplate& dialog) {
  dialog = DialogTemplate{};
  dialog.extended = IsDialogExTemplate(data);
  ByteReader reader(data);
  if (!ReadFixedHeader(reader, dialog)) return false;
  dialog.hasFont = (dialog.style & kDsSetFont) != 0;
  const size_t fixedEnd = reader.Offset();
  if (!ReadVariableHeader(reader, dialog)) {
    dialog.truncated = true;
    dialog.headerCut = true;
    dialog.trailing = BytesFrom(data, fixedEnd);
    return true;
  }
  for (uint16_t i = 0; i < dialog.itemCount; ++i) {
    const size_t start = reader.Offset();
    DialogItem item;
    if (!ReadAlignment(reader, 4, item.alignBefore) || !ReadItem(reader, dialog.extended, item)) {
      dialog.truncated = true;
      dialog.trailing = BytesFrom(data, start);
      return true;
    }
    dialog.items.push_back(std::move(item));
  }
  dialog.trailing = BytesFrom(data, reader.Offset());
  return true;
}

std::vector<uint8_t> WriteDialogTemplate(const DialogTemplate& dialog) {
  std::vector<uint8_t> out;
  PutFixedHeader(out, dialog);
  if (!dialog.headerCut) {
    PutNameOrOrdinal(out, dialog.menu);
    PutNameOrOrdinal(out, dialog.windowClass);
    PutWide(out, dialog.title, true);
    if (dialog.hasFont) {
      PutU16(out, dialog.pointSize);
      if (dialog.extended) {
        PutU16(out, dialog.weight);
        out.push_back(dialog.italic);
        out.push_back(dialog.charset);
      }
      PutWide(out, dialog.typeface, true);
    }
    for (const DialogItem& item : dialog.items) {
      WriteAlignment(out, 4, item.alignBefore);
      PutItem(out, dialog.extended, item);
    }
  }
  out.insert(out.end(), dialog.trailing.begin(), dialog.trailing.end());
  return out;
}
