#include "lngfile/language_file.h"

#include "driver/console_output.h"
#include "driver/path_routines.h"
#include "lngfile/conversion.h"
#include "lngfile/dialog_template.h"
#include "lngfile/hash_file.h"
#include "lngfile/menu_template.h"
#include "lngfile/pack_list.h"
#include "lngfile/resource_access.h"
#include "platform/files.h"
#include "platform/own_resources.h"
#include "platform/paths.h"

bool g_specialBuild = false;
bool g_menuexFixed = false;

namespace {

// The copy of one resource as the language file gets it: rebuilt with its
// texts converted when a conversion mode is set, else as read.
std::vector<uint8_t> ConvertedResource(const ResId& type, const ResId& name, ByteSpan data) {
  if (g_conversionMode == 0) return std::vector<uint8_t>(data.begin(), data.end());
  if (type.isName) {
    if (type.name == u"TEXT") return ConvertTextResource(data);
  } else {
    switch (type.id) {
      case kRtString: return RebuildStringTable(data, name.isName ? 0 : name.id);
      case kRtMenu: return IsMenuExTemplate(data) ? RebuildMenuEx(data) : RebuildMenu(data);
      case kRtDialog: return IsDialogExTemplate(data) ? RebuildDialogEx(data) : RebuildDialog(data);
      default: break;
    }
  }
  return std::vector<uint8_t>(data.begin(), data.end());
}

}  // namespace

bool IsEligibleType(const ResId& type) {
  if (type.isName) return !EqualsNoCase(type.name, u"HASH");
  switch (type.id) {
    case kRtMenu:
    case kRtDialog:
    case kRtString:
    case kRtAccelerator: return true;
    case kRtVersion:
    case kRtRcdata: return g_specialBuild;
    default: return false;
  }
}

void CopyResource(ResourceUpdate& update, const Module& module, const ResId& type, const ResId& name) {
  ByteSpan data;
  if (!FindResourceData(module, type, name, nullptr, data)) return;
  const std::vector<uint8_t> bytes = ConvertedResource(type, name, data);
  UpdateResourceItem(update, type, name, kLangUserDefault, bytes);
}

void WalkModuleResources(const Module& module, BuildContext& context) {
  for (const ResId& type : EnumResourceTypes(module)) {
    if (!IsEligibleType(type)) continue;
    if (context.hashText) {
      if (type.isName)
        *context.hashText += "@" + WideToAnsi(type.name) + "\n";
      else
        context.pendingHeader = FormatNarrow("#%d\n", static_cast<int>(type.id));
    }
    for (const ResId& name : EnumResourceNames(module, type)) {
      if (context.update)
        CopyResource(*context.update, module, type, name);
      else if (context.hashText)
        HashResource(module, type, name, context);
    }
  }
}

int BuildLanguageFile(const WString& modulePath, const WString& outputFolder, const WString& base) {
  const ModulePtr module = LoadModuleAsData(modulePath);
  if (!module) {
    OutputMessage(u"Unable to load the module to transfer\r\n");
    return 0;
  }
  const WString languageFile = JoinPath(outputFolder, base + u".lng");
  // A failed write shows in the update that follows.
  const bool stubWritten =
      WriteBufferToFile(languageFile, FindOwnResource(ResId::Str(u"DLL_STUB"), ResId::Int(kDllStubResource)), false);
  ResourceUpdatePtr update = BeginResourceUpdate(languageFile);
  if (!update) {
    OutputMessage(u"Unable to start the resource update process (%s.lng)\r\n", base);
    return 0;
  }
  BuildContext context;
  context.update = update.get();
  WalkModuleResources(*module, context);
  int result = 1;
  if (!CommitResourceUpdate(std::move(update))) {
    OutputMessage(u"Failed to commit the updates to file (%s)\r\n", languageFile);
    // The empty stub is no language file: it must not end up in a pack.
    if (stubWritten) DeleteFilePath(languageFile);
    result = 0;
  }
  if (g_menuexFixed) OutputMessage(u"MENUEX resource fixed\r\n");
  return result;
}

int GenerateLanguageFile(const WString& modulePath, const WString& fileName, const WString& outputFolder,
                         const WString& displayName) {
  if (!IsModuleListed(modulePath, fileName)) return 0;
  const WString base = RemoveExtension(fileName);
  WriteHashFile(modulePath, JoinPath(outputFolder, base + u".txt"));
  g_menuexFixed = false;
  if (!BuildLanguageFile(modulePath, outputFolder, base)) {
    OutputMessage(u"Aborting\r\n");
    return 0;
  }
  OutputMessage(u"Language file (%s.lng) generated\r\n", displayName);
  return 1;
}
