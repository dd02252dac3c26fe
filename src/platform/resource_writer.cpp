// Writing side of the resource engine (in progress): the update model.
#include "platform/files.h"
#include "platform/resources.h"

struct ResourceUpdate {
  WString path;
};

void ResourceUpdateDeleter::operator()(ResourceUpdate* update) const { delete update; }

ResourceUpdatePtr BeginResourceUpdate(const WString& path) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, bytes)) return nullptr;
  return ResourceUpdatePtr(new ResourceUpdate{path});
}

void UpdateResourceItem(ResourceUpdate&, const ResId&, const ResId&, uint16_t, ByteSpan) {}
void DeleteResourceItem(ResourceUpdate&, const ResId&, const ResId&, uint16_t) {}

bool CommitResourceUpdate(ResourceUpdatePtr) {
  SetLastErrorCode(120);
  return false;
}
