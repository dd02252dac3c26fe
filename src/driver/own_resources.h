// The tool's own resources, compiled into the executable from resources/.
#pragma once

#include "pe/byte_reader.h"
#include "pe/resources.h"

constexpr uint16_t kDllStubResource = 101;  // type "DLL_STUB": the stub module
constexpr uint16_t kListResource = 102;     // type "LIST": the default pack list

// The bytes of the tool's resource of that type and identifier, or an empty
// span when it has none.
ByteSpan FindOwnResource(const ResId& type, const ResId& name);
