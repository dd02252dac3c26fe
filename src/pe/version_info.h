// The VS_VERSIONINFO block of an RT_VERSION resource: the reader of its root
// value, the VS_FIXEDFILEINFO.
#pragma once

#include <cstdint>

#include "pe/byte_reader.h"

constexpr uint32_t kFixedFileInfoSignature = 0xfeef04bd;

struct FixedFileInfo {
  uint32_t signature = 0, structVersion = 0;
  uint32_t fileVersionMS = 0, fileVersionLS = 0, productVersionMS = 0, productVersionLS = 0;
  uint32_t fileFlagsMask = 0, fileFlags = 0, fileOS = 0, fileType = 0, fileSubtype = 0;
  uint32_t fileDateMS = 0, fileDateLS = 0;
};

// Reads the root block (key "VS_VERSION_INFO") and its value. False when
// the block is truncated, its lengths disagree with what remains, the key
// differs, or the value is no VS_FIXEDFILEINFO (too short, wrong signature).
bool ReadFixedFileInfo(ByteSpan versionResource, FixedFileInfo& info);
