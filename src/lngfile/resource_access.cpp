#include "lngfile/resource_access.h"

#include <algorithm>

#include "driver/console_output.h"
#include "os/files.h"
#include "text/format.h"

ModulePtr OpenModule(const WString& path) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, bytes)) return nullptr;
  ModulePtr module = OpenModuleFromBytes(std::move(bytes));
  if (!module) SetLastErrorCode(static_cast<int>(PeError::BadExeFormat));
  return module;
}

ResourceUpdatePtr BeginResourceUpdate(const WString& path) {
  std::vector<uint8_t> bytes;
  // Opened as a writer would open it: a read-only file fails here with 5,
  // not at the commit.
  if (!ReadWholeFile(path, bytes, true)) return nullptr;
  PeError error = PeError::None;
  ResourceUpdatePtr update = BeginResourceUpdateFromBytes(std::move(bytes), &error, path);
  if (!update) SetLastErrorCode(static_cast<int>(error));
  return update;
}

bool CommitResourceUpdate(ResourceUpdatePtr update) {
  if (!update) return false;
  std::vector<uint8_t> out;
  PeError error = PeError::None;
  if (!BuildUpdatedFile(*update, out, &error)) {
    SetLastErrorCode(static_cast<int>(error));
    return false;
  }
  // A commit always replaces a file that existed at begin: synced before and
  // after the rename.
  return ReplaceFileContents(UpdateTarget(*update), out, true);
}

ModulePtr LoadModuleAsData(const WString& path) { return OpenModule(path); }

bool FindResourceData(const Module& module, const ResId& type, const ResId& name, uint16_t* lang, ByteSpan& data,
                      uint16_t* foundLang) {
  if (!lang) return FindResourceDefault(module, type, name, data, foundLang);
  // The first language listed names the copy to look up (0x0400 when none
  // is listed). Nothing listed, or language 0, counts as "none found" for
  // the caller, whose value then stays; but language 0 is still the copy
  // looked up: with copies in 0x0000 and 0x0400 the neutral one is first.
  const std::vector<uint16_t> langs = EnumResourceLanguages(module, type, name);
  const uint16_t listed = langs.empty() ? kLangUserDefault : langs.front();
  if (!langs.empty() && listed != 0) *lang = listed;
  return FindResourceLang(module, type, name, listed, data, foundLang) ||
         FindResourceDefault(module, type, name, data, foundLang);
}

bool ProbeResource(const WString& path, const ResId& type, const ResId& name, uint16_t& lang, uint16_t* foundLang) {
  const ModulePtr module = LoadModuleAsData(path);
  if (!module) return false;
  ByteSpan data;
  return FindResourceData(*module, type, name, &lang, data, foundLang);
  // The module is released here, before the caller starts an update.
}

bool RemoveResource(const Messages& messages, const WString& path, const ResId& type, const ResId& name) {
  uint16_t lang = kLangUserDefault, found = kLangUserDefault;
  bool probedLangStored = false;
  {
    // The probe: the module is released before the update begins.
    const ModulePtr module = LoadModuleAsData(path);
    ByteSpan data;
    if (!module || !FindResourceData(*module, type, name, &lang, data, &found)) return false;
    const std::vector<uint16_t> langs = EnumResourceLanguages(*module, type, name);
    probedLangStored = std::find(langs.begin(), langs.end(), lang) != langs.end();
  }
  ResourceUpdatePtr update = BeginResourceUpdate(path);
  if (!update) return false;
  // The probed language goes; when the resource has no copy in it (one
  // stored only in language 0, say), the copy the probe found goes instead:
  // deleting a language that is not there would remove nothing and still
  // report success.
  DeleteResourceItem(*update, type, name, probedLangStored ? lang : found);
  if (!CommitResourceUpdate(std::move(update))) {
    OutputMessage(messages, u"Failed to remove the %s section from the file (%s) %d\r\n", ResIdText(type), path,
                  GetLastErrorCode());
    return false;
  }
  return true;
}

WString ResIdText(const ResId& id) { return id.isName ? id.name : Format(u"%u", static_cast<unsigned>(id.id)); }
