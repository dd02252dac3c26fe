#include "lngfile/resource_access.h"

#include "driver/console_output.h"
#include "platform/files.h"
#include "platform/format.h"

ModulePtr LoadModuleAsData(const WString& path) { return OpenModule(path); }

bool FindResourceData(const Module& module, const ResId& type, const ResId& name, uint16_t* lang, ByteSpan& data,
                      uint16_t* foundLang) {
  if (!lang) return FindResourceDefault(module, type, name, data, foundLang);
  // The first language listed names the copy to use, except that language
  // 0 counts as "none found" and leaves the caller's value.
  const std::vector<uint16_t> langs = EnumResourceLanguages(module, type, name);
  if (!langs.empty() && langs.front() != 0) *lang = langs.front();
  return FindResourceLang(module, type, name, *lang, data, foundLang) ||
         FindResourceDefault(module, type, name, data, foundLang);
}

bool ProbeResource(const WString& path, const ResId& type, const ResId& name, uint16_t& lang, uint16_t* foundLang) {
  const ModulePtr module = LoadModuleAsData(path);
  if (!module) return false;
  ByteSpan data;
  return FindResourceData(*module, type, name, &lang, data, foundLang);
  // The module is released here, before the caller starts an update.
}

bool RemoveResource(const WString& path, const ResId& type, const ResId& name) {
  uint16_t lang = kLangUserDefault, found = kLangUserDefault;
  if (!ProbeResource(path, type, name, lang, &found)) return false;
  ResourceUpdatePtr update = BeginResourceUpdate(path);
  if (!update) return false;
  // The copy to delete is the one the probe found: for a resource stored
  // only in language 0 that is 0, not the probe's starting 0x0400 (deleting
  // 0x0400 would remove nothing and still report success).
  DeleteResourceItem(*update, type, name, found);
  if (!CommitResourceUpdate(std::move(update))) {
    OutputMessage(u"Failed to remove the %s section from the file (%s) %d\r\n", ResIdText(type), path,
                  GetLastErrorCode());
    return false;
  }
  return true;
}

WString ResIdText(const ResId& id) { return id.isName ? id.name : Format(u"%u", static_cast<unsigned>(id.id)); }
