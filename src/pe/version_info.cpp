#include "pe/version_info.h"

#include <string>

namespace {

constexpr size_t kFixedFileInfoSize = 52;

}  // namespace

bool ReadFixedFileInfo(ByteSpan versionResource, FixedFileInfo& info) {
  // VS_VERSIONINFO: wLength, wValueLength, wType, szKey, padding to a 4-byte
  // boundary, then the value. Alignment is measured from the block's start.
  ByteReader r(versionResource);
  uint16_t length = 0, valueLength = 0, type = 0;
  if (!r.U16(length) || !r.U16(valueLength) || !r.U16(type)) return false;
  if (length > versionResource.size() || length < 6) return false;
  ByteReader block(versionResource.first(length), 6);
  std::u16string key;
  if (!block.ZeroTerminatedWide(key) || key != u"VS_VERSION_INFO") return false;
  if (!block.Align(4)) return false;
  ByteSpan value;
  if (valueLength < kFixedFileInfoSize || !block.Bytes(valueLength, value)) return false;

  ByteReader v(value);
  uint32_t* const fields[] = {&info.signature,        &info.structVersion, &info.fileVersionMS, &info.fileVersionLS,
                              &info.productVersionMS, &info.productVersionLS, &info.fileFlagsMask, &info.fileFlags,
                              &info.fileOS,           &info.fileType,      &info.fileSubtype,   &info.fileDateMS,
                              &info.fileDateLS};
  for (uint32_t* field : fields) v.U32(*field);
  return info.signature == kFixedFileInfoSignature;
}
