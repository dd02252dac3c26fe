// The module reader and writer: open, enumerate, read everything, rewrite.
#include <cstdlib>

#include "fuzz_support.h"
#include "lngfile/resource_access.h"
#include "pe/resources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ModulePtr module = OpenModuleFromBytes(std::vector<uint8_t>(data, data + size));
  if (!module) return 0;
  size_t total = 0;
  for (const ResId& type : EnumResourceTypes(*module)) {
    for (const ResId& name : EnumResourceNames(*module, type)) {
      ByteSpan view;
      if (FindResourceDefault(*module, type, name, view)) total += view.size();
      for (uint16_t lang : EnumResourceLanguages(*module, type, name))
        if (FindResourceLang(*module, type, name, lang, view)) total += view.size();
    }
  }
  WString text;
  for (uint32_t id : {0u, 1u, 16u, 65535u}) LoadModuleString(*module, id, text);
  uint32_t ms, ls;
  GetModuleFileVersion(*module, ms, ls);
  module.reset();

  // Rewrite: add one resource, delete another, commit, and the result must
  // open again with the added resource in it.
  const WString path = WriteScratchFile(u"m.dll", data, size);
  ResourceUpdatePtr update = BeginResourceUpdate(path);
  if (!update) return 0;
  const uint8_t payload[] = {1, 2, 3, 4, 5};
  UpdateResourceItem(*update, ResId::Str(u"FUZZ"), ResId::Int(7), 0x0400, ByteSpan(payload, sizeof payload));
  DeleteResourceItem(*update, ResId::Int(6), ResId::Int(1), 0x0409);
  if (CommitResourceUpdate(std::move(update))) {
    ModulePtr again = OpenModule(path);
    ByteSpan view;
    if (!again || !FindResourceLang(*again, ResId::Str(u"FUZZ"), ResId::Int(7), 0x0400, view) ||
        view.size() != sizeof payload)
      std::abort();
  }
  (void)total;
  return 0;
}
