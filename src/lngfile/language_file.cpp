#include "lngfile/language_file.h"

#include "driver/console_output.h"
#include "driver/path_routines.h"
#include "lngfile/conversion.h"
#include "lngfile/dialog_template.h"
#include "lngfile/hash_file.h"
#include "lngfile/menu_template.h"
#include "lngfile/resource_access.h"
#include "os/error_codes.h"
#include "os/files.h"
#include "driver/own_resources.h"
#include "os/paths.h"

namespace {

constexpr uint32_t kModuleGuidString = 65535;

// The copy of one resource as the language file gets it: rebuilt with its
// texts converted when a conversion mode is set, else as read.
std::vector<uint8_t> ConvertedResource(BuildContext& context, const ResId& type, const ResId& name,
                                       ByteSpan data) {
  if (const TranslateText* rule = context.translate; rule && !type.isName) {
    const uint32_t id = name.isName ? 0 : name.id;
    switch (type.id) {
      case kRtString: return TranslateStringTable(data, id, *rule);
      case kRtMenu: return TranslateMenu(data, name, *rule, context.menuexFixed);
      case kRtDialog: return TranslateDialog(data, name, *rule);
      default: break;
    }
  }
  const int mode = context.options->conversionMode;
  if (mode != kConvertNone) {
    if (type.isName) {
      if (type.name == u"TEXT") return ConvertTextResource(data, mode);
    } else {
      switch (type.id) {
        case kRtString: return RebuildStringTable(data, name.isName ? 0 : name.id, mode);
        case kRtMenu:
          return IsMenuExTemplate(data) ? RebuildMenuEx(data, mode, context.menuexFixed) : RebuildMenu(data, mode);
        case kRtDialog: return IsDialogExTemplate(data) ? RebuildDialogEx(data, mode) : RebuildDialog(data, mode);
        default: break;
      }
    }
  }
  return std::vector<uint8_t>(data.begin(), data.end());
}

}  // namespace

bool IsEligibleType(const ResId& type, const BuildOptions& options) {
  if (type.isName) return !EqualsNoCase(type.name, u"HASH");
  switch (type.id) {
    case kRtMenu:
    case kRtDialog:
    case kRtString:
    case kRtAccelerator: return true;
    case kRtVersion:
    case kRtRcdata: return options.specialBuild;
    default: return false;
  }
}

void CopyResource(BuildContext& context, const ResId& type, const ResId& name, ByteSpan data) {
  UpdateResourceItem(*context.update, type, name, kLangUserDefault, ConvertedResource(context, type, name, data));
}

void WalkModuleResources(const Module& module, BuildContext& context) {
  for (const ResId& type : EnumResourceTypes(module)) {
    if (!IsEligibleType(type, *context.options)) continue;
    if (context.hashText) EnterHashType(type, context);
    for (const ResId& name : EnumResourceNames(module, type)) {
      // The default-language copy serves both: a name without one is
      // hashed as empty data and not copied.
      ByteSpan data;
      const bool found = FindResourceData(module, type, name, nullptr, data);
      if (context.hashText) HashResource(type, name, found ? data : ByteSpan(), context);
      if (context.update && found) CopyResource(context, type, name, data);
    }
  }
}

LanguageFileBuild MakeLanguageFile(const Module* module, const BuildOptions& options,
                                   const TranslateText* translate) {
  LanguageFileBuild build;
  if (!module) return build;
  build.loaded = true;
  const ByteSpan stub = FindOwnResource(ResId::Str(u"DLL_STUB"), ResId::Int(kDllStubResource));
  ResourceUpdatePtr update = BeginResourceUpdateFromBytes(std::vector<uint8_t>(stub.begin(), stub.end()));
  BuildContext context;
  context.options = &options;
  context.hashText = &build.hashText;
  context.update = update.get();
  context.translate = translate;
  WalkModuleResources(*module, context);
  build.menuexFixed = context.menuexFixed;
  build.started = update != nullptr;
  build.built = update && BuildUpdatedFile(*update, build.bytes);
  return build;
}

bool WriteLanguageFile(const Messages& messages, LanguageFileBuild& build, const WString& hashFile,
                       const WString& outputFolder, const WString& base, WrittenFiles* written) {
  if (!build.loaded) {
    OutputMessage(messages, u"Unable to load the module to transfer\r\n");
    return false;
  }
  // The lines go to the end of the file in one piece; the file is created
  // when missing and never truncated here. Failures are not reported.
  if (!build.hashText.empty()) {
    const bool fresh = !PathExists(hashFile);
    const bool appended = WriteBufferToFile(hashFile, std::string_view(build.hashText), true);
    // A file that held lines before (an earlier module of the same name)
    // now holds more than any bytes kept for it: it is read again instead.
    if (written && appended && fresh)
      (*written)[hashFile].assign(build.hashText.begin(), build.hashText.end());
    else if (written)
      written->erase(hashFile);
  }
  if (!build.started) {
    OutputMessage(messages, u"Unable to start the resource update process (%s.lng)\r\n", base);
    return false;
  }
  const WString languageFile = JoinPath(outputFolder, base + u".lng");
  bool done = build.built;
  if (!done) {
    OutputMessage(messages, u"Failed to commit the updates to file (%s)\r\n", languageFile);
  } else if (!WriteBufferToFile(languageFile, build.bytes, false)) {
    // A file that cannot be created at all (a folder in its place, a
    // folder that takes no files) is an update that cannot start; one that
    // cannot be written whole (a full disk) is a commit that fails. Either
    // way nothing of it is left.
    if (GetLastErrorCode() != kErrorDiskFull) {
      OutputMessage(messages, u"Unable to start the resource update process (%s.lng)\r\n", base);
      return false;
    }
    OutputMessage(messages, u"Failed to commit the updates to file (%s)\r\n", languageFile);
    done = false;
  } else if (written) {
    (*written)[languageFile] = std::move(build.bytes);
  }
  if (build.menuexFixed) OutputMessage(messages, u"MENUEX resource fixed\r\n");
  return done;
}

bool BuildLanguageFile(const Messages& messages, const WString& modulePath, const WString& hashFile,
                       const WString& outputFolder, const WString& base, const BuildOptions& options) {
  const ModulePtr module = LoadModuleAsData(modulePath);
  LanguageFileBuild build = MakeLanguageFile(module.get(), options);
  return WriteLanguageFile(messages, build, hashFile, outputFolder, base);
}

PreparedModule PrepareLanguageFile(const ModuleCandidate& candidate, const PackList& packList,
                                   const BuildOptions& options) {
  PreparedModule prepared;
  const WString listed = ListedGuid(packList, candidate.fileName);
  if (listed.empty()) return prepared;
  prepared.listed = true;
  // Read once: the same bytes serve the identifier check and the build.
  const ModulePtr module = LoadModuleAsData(candidate.path);
  if (!module) return prepared;
  prepared.readable = true;
  WString guid;
  if (!LoadModuleString(*module, kModuleGuidString, guid) || !EqualsNoCase(guid, listed)) return prepared;
  prepared.eligible = true;
  ModuleTranslation translation;
  if (options.translate) translation = options.translate(candidate, *module);
  prepared.build = MakeLanguageFile(module.get(), options, translation.rule ? &translation.rule : nullptr);
  if (translation.notes) prepared.notes = translation.notes();
  return prepared;
}

bool GenerateLanguageFile(const Messages& messages, PreparedModule& prepared, const ModuleCandidate& candidate,
                          const WString& outputFolder, const WString& displayName, WrittenFiles* written) {
  if (!prepared.listed) return false;
  if (!prepared.readable) {
    // Listed, so meant to be in the pack: its absence is never silent.
    OutputMessage(messages, u"Unable to load the listed module `%s'\r\n", candidate.path);
    return false;
  }
  if (!prepared.eligible) return false;
  if (!prepared.notes.empty()) OutputText(messages, prepared.notes);
  const WString base = RemoveExtension(candidate.fileName);
  if (!WriteLanguageFile(messages, prepared.build, JoinPath(outputFolder, base + u".txt"), outputFolder, base,
                         written)) {
    OutputMessage(messages, u"Aborting\r\n");
    return false;
  }
  OutputMessage(messages, u"Language file (%s.lng) generated\r\n", displayName);
  return true;
}
