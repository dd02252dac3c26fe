#include "lngfile/pack_list.h"

#include "driver/console_output.h"
#include "driver/path_routines.h"
#include "lngfile/resource_access.h"
#include "platform/files.h"
#include "platform/own_resources.h"
#include "platform/paths.h"
#include "platform/profile.h"

namespace {

// Sections in the order a module is looked up.
const char16_t* const kPackListSections[] = {u"Native", u"Custom", u"Bonus Bundle"};
constexpr uint32_t kModuleGuidString = 65535;

WString g_packListPath;
bool g_packListVerified = false;

const WString& PackListPath() {
  if (g_packListPath.empty()) g_packListPath = FindNameNoCase(GetModuleFolder(), u"lgp_list.ini");
  return g_packListPath;
}

ByteSpan DefaultPackList() { return FindOwnResource(ResId::Str(u"LIST"), ResId::Int(kListResource)); }

// The module's identifier as the first of the sections that lists it with
// a value gives it; empty when none does.
WString ListedGuid(const WString& packListPath, const WString& fileName) {
  ProfileDocument doc;
  LoadProfile(packListPath, doc);
  for (const char16_t* section : kPackListSections) {
    WString value;
    if (ProfileValue(doc, section, fileName, value) && !value.empty()) return value;
  }
  return WString();
}

}  // namespace

int IsModuleListed(const WString& modulePath, const WString& fileName) {
  const WString& listPath = PackListPath();
  if (PathExists(listPath))
    VerifyPackList(listPath);
  else
    WriteBufferToFile(listPath, DefaultPackList(), false);

  const WString listed = ListedGuid(listPath, fileName);
  if (listed.empty()) return 0;
  const ModulePtr module = LoadModuleAsData(modulePath);
  if (!module) return 0;
  WString guid;
  return LoadModuleString(*module, kModuleGuidString, guid) && EqualsNoCase(guid, listed) ? 1 : 0;
}

void VerifyPackList(const WString& packListPath) {
  if (g_packListVerified) return;
  if (!PathExists(packListPath)) {
    g_packListVerified = true;
    return;
  }
  const WString updatePath = JoinPath(GetModuleFolder(), u"lgp_list_update.ini");
  const ByteSpan defaults = DefaultPackList();
  WriteBufferToFile(updatePath, defaults, false);
  OutputMessage(u"Verifying lgp_list.ini (updating as required)... ");

  // The defaults are the bytes just written; reading them from memory keeps
  // the merge whole even where the tool's folder cannot take the copy.
  ProfileDocument update, current;
  ParseProfile(defaults, update);
  LoadProfile(packListPath, current);
  bool updated = false;
  for (const auto& section : update.sections) {
    for (const auto& entry : section.entries) {
      WString mine;
      ProfileValue(current, section.name, entry.key, mine);
      WString wanted;
      ProfileValue(update, section.name, entry.key, wanted);
      if (mine == wanted) continue;
      WriteProfileValue(packListPath, section.name, entry.key, wanted);
      updated = true;
    }
  }
  OutputMessage(u"%s\r\n\r\n", updated ? u"updates have been made." : u"already up-to-date.");
  DeleteFilePath(updatePath);
  g_packListVerified = true;
}
