// /po_export: the texts of an install's modules as gettext PO files, with
// the translations of a pack or a folder of language files, or as
// templates without one.
#include <optional>
#include <set>
#include <unordered_map>

#include "diff/module_pairs.h"
#include "diff/text_checks.h"
#include "driver/console_output.h"
#include "driver/environment.h"
#include "driver/flows.h"
#include "driver/ordered_workers.h"
#include "driver/path_routines.h"
#include "lngfile/resource_access.h"
#include "lngfile/resource_texts.h"
#include "os/files.h"
#include "os/paths.h"
#include "pack/lgp.h"
#include "text/po_document.h"

namespace {

constexpr int kOutputLockWaitMs = 5000;

struct ExportRun {
  WString installFolder;
  WString target;  // the pack or folder; empty for templates
  WString outputFolder;
  WString extension;  // ".po", or ".pot" for templates
  PoEntry header;
};

std::string Utf8(WStringView text) { return WideToUtf8(text); }

// The pack's language as PO files name it ("en-gb" becomes "en_GB"), from a
// name "Nuvexa-<language>[-<version>].lgp"; empty for other names.
std::string PackLanguage(const WString& packName) {
  const WString prefix = u"Nuvexa-";
  WString middle = RemoveExtension(packName);
  if (middle.size() <= prefix.size() || !EqualsNoCase(middle.substr(0, prefix.size()), prefix)) return std::string();
  middle.erase(0, prefix.size());
  // The version the pack builder appends: "5_6_3_3234" or "_no_version_".
  const size_t dash = middle.rfind(u'-');
  if (dash != WString::npos && dash > 0) {
    const WString version = middle.substr(dash + 1);
    const bool numbers = !version.empty() && version.find_first_not_of(u"0123456789_") == WString::npos;
    if (numbers || version == u"_no_version_") middle.erase(dash);
  }
  if (middle.empty() || middle.find_first_not_of(u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-") !=
                            WString::npos)
    return std::string();
  std::string language = Utf8(middle);
  const size_t cut = language.find('-');
  for (size_t i = 0; i < language.size(); ++i) {
    char& c = language[i];
    if (i < cut && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (i > cut && language.size() - cut == 3 && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  if (cut != std::string::npos) language[cut] = '_';
  return language;
}

// A header that msgfmt -c accepts without a warning; the fields a
// translator's editor fills in are there, empty.
PoEntry MakeHeader(const WString& hostVersion, const std::string& language) {
  WString version = hostVersion == u"_no_version_" ? WString() : hostVersion;
  for (char16_t& c : version)
    if (c == u'_') c = u'.';
  PoEntry header;
  header.strings.push_back("Project-Id-Version: Nuvexa" + (version.empty() ? std::string() : " " + Utf8(version)) +
                           "\n"
                           "PO-Revision-Date: \n"
                           "Last-Translator: \n"
                           "Language-Team: \n"
                           "Language: " + language + "\n"
                           "MIME-Version: 1.0\n"
                           "Content-Type: text/plain; charset=UTF-8\n"
                           "Content-Transfer-Encoding: 8bit\n"
                           "X-Generator: Packsmith 2.3\n");
  return header;
}

// What the translator is told about a text: what it is and the room it has.
std::string Description(const ResourceText& text) {
  switch (text.kind) {
    case TextKind::String: return "String " + std::to_string(text.id);
    case TextKind::MenuItem: {
      WString out = text.id ? Format(u"Menu item %u", text.id) : WString(u"Menu item");
      for (size_t i = 0; i < text.popups.size(); ++i) out += Format(i ? u" > \"%s\"" : u" under \"%s\"", text.popups[i]);
      return Utf8(out);
    }
    case TextKind::DialogCaption:
      return Utf8(Format(u"Dialog caption, %d x %d dialog units", text.cx, text.cy));
    case TextKind::DialogControl:
      return Utf8(Format(u"Dialog control %u, %s, %d x %d dialog units", text.id, text.controlClass, text.cx, text.cy));
  }
  return std::string();
}

// Texts of the language file by key.
using TextsByKey = std::unordered_map<WString, WString>;
TextsByKey TranslatedTexts(const Module& languageFile) {
  TextsByKey texts;
  for (ResourceText& text : ReadModuleTexts(languageFile)) texts.emplace(std::move(text.key), std::move(text.text));
  return texts;
}

// The module's PO document: one entry per text, in resource order, with
// the translation where the language file's text differs from the source.
PoDocument ModuleDocument(const ExportRun& run, const ModulePair& pair, const std::vector<ResourceText>& texts,
                          const TextsByKey* translations) {
  PoDocument document;
  document.entries.reserve(texts.size() + 1);
  document.entries.push_back(run.header);
  const std::string module = Utf8(pair.relative);
  for (const ResourceText& text : texts) {
    PoEntry entry;
    entry.extractedComments.push_back(Description(text));
    entry.hasContext = true;
    entry.context = Utf8(text.key);
    entry.references.push_back(module + ":" + entry.context);
    if (text.text.find(u'%') != WString::npos && HasConversions(text.text)) entry.flags.emplace_back("c-format");
    entry.id = Utf8(text.text);
    entry.strings.emplace_back();
    if (translations) {
      const auto found = translations->find(text.key);
      if (found != translations->end() && found->second != text.text) entry.strings[0] = Utf8(found->second);
    }
    document.entries.push_back(std::move(entry));
  }
  return document;
}

// One module's outcome, told in list order.
struct ModuleExport {
  enum class Result { NoTexts, NoModule, NoLanguageFile, Written, WriteFailed } result = Result::NoTexts;
  WString file;
  int error = 0;
};

// A PO file of an earlier run is replaced by a new file renamed over it.
// It is not synced: the run that wrote it can write it again.
bool WritePoFile(const WString& path, const std::string& bytes) {
  const std::span<const uint8_t> data(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  if (PathExists(path)) return ReplaceFileContents(path, data, false);
  return WriteBufferToFile(path, data, false);
}

ModuleExport ExportModule(const ExportRun& run, const ModulePair& pair, bool nameTaken) {
  ModuleExport out;
  const ModulePtr module = LoadModuleAsData(pair.install);
  if (!module) {
    out.result = ModuleExport::Result::NoModule;
    return out;
  }
  const std::vector<ResourceText> texts = ReadModuleTexts(*module);
  if (texts.empty() || nameTaken) return out;
  std::optional<TextsByKey> translations;
  if (!run.target.empty() && !pair.counterpartFile.empty()) {
    const ModulePtr languageFile = LoadModuleAsData(pair.counterpartFile);
    if (!languageFile) {
      out.result = ModuleExport::Result::NoLanguageFile;
      return out;
    }
    translations = TranslatedTexts(*languageFile);
  }
  out.file = JoinPath(run.outputFolder, RemoveExtension(LastComponent(pair.install)) + run.extension);
  const std::string bytes = WritePoDocument(ModuleDocument(run, pair, texts, translations ? &*translations : nullptr));
  if (WritePoFile(out.file, bytes)) {
    out.result = ModuleExport::Result::Written;
  } else {
    out.result = ModuleExport::Result::WriteFailed;
    out.error = GetLastErrorCode();
  }
  return out;
}

// True when every module with texts was written.
bool ExportModules(const Messages& messages, const ExportRun& run, const WString& counterpartFolder) {
  const std::vector<ModulePair> pairs =
      ListInstallModules(run.installFolder, counterpartFolder, CounterpartLayout::LanguageFiles);
  // Modules of one name in two folders would share a file: the first keeps it.
  std::vector<bool> nameTaken(pairs.size());
  std::set<WString> stems;
  for (size_t i = 0; i < pairs.size(); ++i)
    nameTaken[i] = !stems.insert(NameToUpper(RemoveExtension(LastComponent(pairs[i].install)))).second;
  bool complete = true;
  int written = 0;
  RunInOrder(
      pairs.size(), BuildWorkerCount(), [&](size_t i) { return ExportModule(run, pairs[i], nameTaken[i]); },
      [&](size_t i, ModuleExport& done) {
        switch (done.result) {
          case ModuleExport::Result::NoTexts:
            if (nameTaken[i])
              OutputMessage(messages, u"`%s' has the name of a module exported before it, left out\r\n",
                            pairs[i].relative);
            break;
          case ModuleExport::Result::NoModule:
            OutputMessage(messages, u"Unable to load the module `%s', left out\r\n", pairs[i].install);
            break;
          case ModuleExport::Result::NoLanguageFile:
            OutputMessage(messages, u"Unable to load the language file `%s', `%s' left out\r\n",
                          pairs[i].counterpartFile, pairs[i].relative);
            break;
          case ModuleExport::Result::Written:
            ++written;
            OutputMessage(messages, u"PO file (%s) written\r\n", LastComponent(done.file));
            break;
          case ModuleExport::Result::WriteFailed:
            complete = false;
            OutputMessage(messages, u"Unable to write `%s' [%d]\r\n", done.file, done.error);
            break;
        }
      });
  if (complete) OutputMessage(messages, u"\r\nCompleted export of %d PO files\r\n", written);
  return complete;
}

}  // namespace

void PoExportCommand(const Messages& messages, const WString& installFolder, Cursor tail) {
  ExportRun run;
  run.installFolder = installFolder;
  Cursor cursor = tail;
  WString target = CopyToken(cursor);
  if (!target.empty() && target.compare(0, 8, u"/folder=") != 0) {
    if (!ResolvePath(target, messages.enabled ? ResolveMode::Loud : ResolveMode::Quiet)) return;
    run.target = target;
    cursor = NextToken(cursor);
  }
  SelectOutputFolder(cursor, run.outputFolder, nullptr, OutputKind::Po);
  if (!IsAbsolutePath(run.outputFolder)) run.outputFolder = CombinePath(CurrentDirectory(), run.outputFolder);
  const bool packMode = !run.target.empty() && !IsDirectory(run.target);
  if (packMode) {
    const WString ext = FindExtension(LastComponent(run.target));
    if (!ext.empty() && !EqualsNoCase(ext, u".lgp")) {
      OutputMessage(messages, u"Invalid file passed to export from. Exiting now...\r\n");
      return;
    }
  }
  run.extension = run.target.empty() ? u".pot" : u".po";
  run.header = MakeHeader(HostVersionOf(installFolder), packMode ? PackLanguage(LastComponent(run.target)) : std::string());

  if (run.target.empty())
    OutputMessage(messages, u"Starting export of the Nuvexa install (%s) as PO templates\r\n", installFolder);
  else
    OutputMessage(messages, u"Starting export of the Nuvexa install (%s) with the passed %s (%s)\r\n", installFolder,
                  packMode ? u"language pack" : u"folder", run.target);
  OutputMessage(messages, u"Generated files will be saved in `%s'\r\n", run.outputFolder);
  bool existed = false;
  if (!EnsureOutputFolder(messages, run.outputFolder, existed)) return;
  // Two runs into one folder would replace each other's files half way.
  const FolderLockPtr lock = LockFolder(run.outputFolder, FolderLockWaitMs(kOutputLockWaitMs));
  if (!lock && GetLastErrorCode() == kErrorSharingViolation) {
    OutputMessage(messages, u"The output folder `%s' is in use by another run, aborting\r\n", run.outputFolder);
    return;
  }
  if (!packMode) {
    ExportModules(messages, run, run.target.empty() ? run.installFolder : run.target);
    return;
  }
  UnpackFolder unpacked;
  if (!UnpackPack(run.target, unpacked)) {
    OutputMessage(messages, u"Unable to unpack `%s', aborting\r\n", run.target);
    return;
  }
  ExportModules(messages, run, unpacked.path);
}
