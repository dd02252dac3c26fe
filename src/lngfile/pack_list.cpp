#include "lngfile/pack_list.h"

#include "driver/console_output.h"
#include "driver/path_routines.h"
#include "os/files.h"
#include "driver/own_resources.h"
#include "os/paths.h"

namespace {

// Sections in the order a module is looked up.
const char16_t* const kPackListSections[] = {u"Native", u"Custom", u"Bonus Bundle"};

ByteSpan DefaultPackList() { return FindOwnResource(ResId::Str(u"LIST"), ResId::Int(kListResource)); }

}  // namespace

PackList OpenPackList(const Messages& messages, const WString& toolFolder) {
  PackList list;
  list.path = FindNameNoCase(toolFolder, u"lgp_list.ini");
  if (PathExists(list.path)) {
    VerifyPackList(messages, list.path);
    LoadProfile(list.path, list.entries);
  } else if (WriteBufferToFile(list.path, DefaultPackList(), false)) {
    ParseProfile(DefaultPackList(), list.entries);
    list.verifyAtNextQuery = true;
  }
  return list;
}

void QueryPackList(const Messages& messages, PackList& list) {
  if (!list.verifyAtNextQuery) return;
  list.verifyAtNextQuery = false;
  // The file holds the default list just written, so the merge finds
  // nothing to change and the entries read stay as they are.
  VerifyPackList(messages, list.path);
}

WString ListedGuid(const PackList& list, WStringView fileName) {
  for (const char16_t* section : kPackListSections) {
    WString value;
    if (ProfileValue(list.entries, section, fileName, value) && !value.empty()) return value;
  }
  return WString();
}

void VerifyPackList(const Messages& messages, const WString& packListPath) {
  if (!PathExists(packListPath)) return;
  const WString updatePath = JoinPath(GetModuleFolder(), u"lgp_list_update.ini");
  const ByteSpan defaults = DefaultPackList();
  WriteBufferToFile(updatePath, defaults, false);
  OutputMessage(messages, u"Verifying lgp_list.ini (updating as required)... ");

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
  OutputMessage(messages, u"%s\r\n\r\n", updated ? u"updates have been made." : u"already up-to-date.");
  DeleteFilePath(updatePath);
}
