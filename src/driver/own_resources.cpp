#include "driver/own_resources.h"

#include <cstring>

namespace embedded {
struct Entry {
  const char* name;
  const uint8_t* data;
  size_t size;
};
extern const Entry kEntries[];
}  // namespace embedded

namespace {

struct OwnResource {
  const char16_t* type;
  uint16_t id;
  const char* file;
};

const OwnResource kOwnResources[] = {
    {u"DLL_STUB", kDllStubResource, "dll_stub.bin"},
    {u"LIST", kListResource, "lgp_list.ini"},
};

}  // namespace

ByteSpan FindOwnResource(const ResId& type, const ResId& name) {
  for (const auto& own : kOwnResources) {
    if (!SameResId(type, ResId::Str(own.type)) || !SameResId(name, ResId::Int(own.id))) continue;
    for (const embedded::Entry* e = embedded::kEntries; e->name; ++e)
      if (std::strcmp(e->name, own.file) == 0) return ByteSpan(e->data, e->size);
  }
  return ByteSpan();
}
