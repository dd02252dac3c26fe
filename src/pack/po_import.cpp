// /po_import: a pack built from an install as /lgp builds it, with the
// translations of a folder of PO files put in place of the source texts.
#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <unordered_map>

#include "diff/text_checks.h"
#include "driver/console_output.h"
#include "driver/flows.h"
#include "driver/path_routines.h"
#include "pack/lgp.h"
#include "os/files.h"
#include "os/paths.h"
#include "text/po_document.h"

namespace {

// What /check counts as errors: a translation that fails them would
// garble the formatted text or lose its hotkey, so the source text stays.
const char16_t* TranslationFault(TextKind kind, WStringView source, const WString& translation) {
  const bool percent = source.find(u'%') != WStringView::npos || translation.find(u'%') != WString::npos;
  if (percent && !ConversionsMatch(source, translation)) return u"its printf conversions differ from the source's";
  if (kind == TextKind::String) return nullptr;
  switch (CheckHotkeys(source, translation)) {
    case HotkeyFault::Lost: return u"its accelerator marker (&) is lost";
    case HotkeyFault::Several: return u"it marks more than one accelerator (&)";
    default: return nullptr;
  }
}

// Whether the UTF-8 text, as Utf8ToWide decodes it, is `wide`: ASCII (most
// texts) is compared unit by unit, anything else decoded first.
bool Utf8TextIs(std::string_view utf8, WStringView wide) {
  for (size_t i = 0; i < utf8.size(); ++i)
    if (static_cast<unsigned char>(utf8[i]) >= 0x80) return Utf8ToWide(utf8) == wide;
  if (utf8.size() != wide.size()) return false;
  for (size_t i = 0; i < utf8.size(); ++i)
    if (static_cast<char16_t>(utf8[i]) != wide[i]) return false;
  return true;
}

// One translated entry of a PO file, its texts as the file holds them
// (UTF-8): most are compared once and converted once, when the builder
// meets their key.
struct PoTranslation {
  size_t line = 0;
  std::string source, translation;
  bool used = false;  // the module has its key
};

// The usable entries of one module's PO file, put in as the builder meets
// their texts. What is left out is noted: a file that cannot be read, an
// entry whose source text is not the module's or whose translation fails
// a check (in the module's order), and entries whose key the module does
// not have (in the file's order).
struct ModuleImport {
  WString file, shown, module;
  WString notes;
  std::vector<PoTranslation> entries;
  std::unordered_map<WString, size_t> byKey;
  std::vector<const WString*> keys;  // of each entry, in byKey

  WString Note(size_t line, WStringView what) const {
    return Format(u"`%s' line %u: %s\r\n", shown, static_cast<unsigned>(line), what);
  }

  bool Translate(const WString& key, TextKind kind, WStringView source, WString& translation) {
    const auto found = byKey.find(key);
    if (found == byKey.end()) return false;
    PoTranslation& entry = entries[found->second];
    entry.used = true;
    if (!Utf8TextIs(entry.source, source)) {
      notes += Note(entry.line, Format(u"the source text of %s has changed (merge the file with a new template), left "
                                       u"out",
                                       key));
      return false;
    }
    WString translated = Utf8ToWide(entry.translation);
    if (const char16_t* fault = TranslationFault(kind, source, translated)) {
      notes += Note(entry.line, Format(u"the translation of %s in %s is not imported: %s", key, module, fault));
      return false;
    }
    translation = std::move(translated);
    return true;
  }

  WString Told() const {
    WString told = notes;
    for (size_t i = 0; i < entries.size(); ++i)
      if (!entries[i].used) told += Note(entries[i].line, Format(u"%s is not in %s (obsolete), left out", *keys[i], module));
    return told;
  }
};

// Reads the module's PO file, when there is one. Untranslated, fuzzy and
// obsolete entries carry nothing to put in.
void ReadPoFile(ModuleImport& import) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(import.file, bytes)) {
    import.notes = Format(u"Unable to read `%s' [%d], %s keeps its source texts\r\n", import.file, GetLastErrorCode(),
                          import.module);
    return;
  }
  PoDocument document;
  PoFault fault;
  if (!ReadPoDocument(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), document, fault,
                      kPoMaxBytes, false)) {
    import.notes = Format(u"`%s' line %u: %s, %s keeps its source texts\r\n", import.file,
                          static_cast<unsigned>(fault.line), fault.what, import.module);
    return;
  }
  bytes = std::vector<uint8_t>();
  import.entries.reserve(document.entries.size());
  import.keys.reserve(document.entries.size());
  import.byKey.reserve(document.entries.size());
  for (PoEntry& entry : document.entries) {
    if (entry.obsolete || IsHeader(entry) || entry.strings.empty() || entry.strings[0].empty() ||
        HasFlag(entry, "fuzzy"))
      continue;
    if (!entry.hasContext) {
      import.notes += import.Note(entry.line, Format(u"an entry without key is not in %s (obsolete), left out",
                                                     import.module));
      continue;
    }
    const auto [at, added] = import.byKey.emplace(Utf8ToWide(entry.context), import.entries.size());
    if (!added) {
      import.notes += import.Note(entry.line, Format(u"%s is given twice, left out", at->first));
      continue;
    }
    import.keys.push_back(&at->first);
    import.entries.push_back({entry.line, std::move(entry.id), std::move(entry.strings[0]), false});
  }
}

ModuleTranslation TranslationOf(const WString& poFolder, const ModuleCandidate& candidate) {
  ModuleTranslation out;
  auto import = std::make_shared<ModuleImport>();
  import->file = FindNameNoCase(poFolder, RemoveExtension(candidate.fileName) + u".po");
  if (!PathExists(import->file)) return out;  // anything else there is told as unreadable
  import->shown = LastComponent(import->file);
  import->module = candidate.fileName;
  ReadPoFile(*import);
  if (!import->entries.empty())
    out.rule = [import](const WString& key, TextKind kind, WStringView source, WString& translation) {
      return import->Translate(key, kind, source, translation);
    };
  out.notes = [import] { return import->Told(); };
  return out;
}

}  // namespace

void PoImportCommand(const Messages& messages, const WString& installFolder, Cursor tail) {
  WString poFolder = CopyToken(tail);
  if (poFolder.empty()) {
    OutputMessage(messages, u"No folder of PO files passed, aborting\r\n");
    return;
  }
  if (!ResolvePath(poFolder, messages.enabled ? ResolveMode::Loud : ResolveMode::Quiet)) return;
  if (!IsDirectory(poFolder)) {
    OutputMessage(messages, u"The PO files must be in a folder: `%s' is none, aborting\r\n", poFolder);
    return;
  }
  OutputMessage(messages, u"Starting import of the PO files in `%s'\r\n", poFolder);
  // The PO files the build met, on any of its workers.
  std::mutex mutex;
  std::set<WString> met;
  BuildPackFromInstall(messages, installFolder, NextToken(tail),
                       [&](const ModuleCandidate& candidate, const Module&) {
                         {
                           const std::lock_guard lock(mutex);
                           met.insert(NameToUpper(RemoveExtension(candidate.fileName)));
                         }
                         // A file too large for memory is told as one that cannot be read.
                         try {
                           return TranslationOf(poFolder, candidate);
                         } catch (const std::bad_alloc&) {
                           ModuleTranslation none;
                           const WString note = Format(u"Not enough memory to read the PO file of %s, it keeps its "
                                                       u"source texts\r\n",
                                                       candidate.fileName);
                           none.notes = [note] { return note; };
                           return none;
                         }
                       });
  // A PO file whose module got no language file is not hidden.
  for (const DirEntry& entry : ListDirectory(poFolder, u"*.po"))
    if (!entry.isDirectory && !met.count(NameToUpper(RemoveExtension(entry.name))))
      OutputMessage(messages, u"`%s' is the PO file of no listed module of the install, left out\r\n", entry.name);
}
