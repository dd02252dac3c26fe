// /po_import: a pack built from an install as /lgp builds it, with the
// translations of a folder of PO files put in place of the source texts.
#include <new>
#include <unordered_map>

#include "diff/text_checks.h"
#include "driver/console_output.h"
#include "driver/flows.h"
#include "driver/path_routines.h"
#include "lngfile/resource_texts.h"
#include "pack/lgp.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "text/po_document.h"

namespace {

// What /check counts as errors: a translation that fails them would
// garble the formatted text or lose its hotkey, so the source text stays.
const char16_t* TranslationFault(const ResourceText& source, const WString& translation) {
  if (!ConversionsMatch(source.text, translation)) return u"printf conversions differ from the source's";
  if (source.kind != TextKind::String && CheckHotkeys(source.text, translation) != HotkeyFault::None)
    return u"accelerator markers differ from the source's";
  return nullptr;
}

// The translations of one module's PO file that can go in, with a note on
// each one left out. A file that cannot be read gives none.
ModuleTranslation ReadTranslation(const WString& poFolder, const ModuleCandidate& candidate, const Module& module) {
  ModuleTranslation out;
  const WString poFile = FindNameNoCase(poFolder, RemoveExtension(candidate.fileName) + u".po");
  if (!IsRegularFile(poFile)) return out;
  const WString shown = LastComponent(poFile);
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(poFile, bytes)) {
    out.notes = Format(u"Unable to read `%s' [%d], %s keeps its source texts\r\n", poFile, GetLastErrorCode(),
                       candidate.fileName);
    return out;
  }
  PoDocument document;
  PoFault fault;
  if (!ReadPoDocument(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), document, fault)) {
    out.notes = Format(u"`%s' line %u: %s, %s keeps its source texts\r\n", poFile, static_cast<unsigned>(fault.line),
                       fault.what, candidate.fileName);
    return out;
  }
  bytes = std::vector<uint8_t>();
  std::vector<ResourceText> texts = ReadModuleTexts(module);
  std::unordered_map<WString, const ResourceText*> sources;
  sources.reserve(texts.size());
  for (const ResourceText& text : texts) sources.emplace(text.key, &text);
  for (const PoEntry& entry : document.entries) {
    // Untranslated, fuzzy and obsolete entries carry nothing to put in.
    if (entry.obsolete || IsHeader(entry) || entry.strings.empty() || entry.strings[0].empty() ||
        HasFlag(entry, "fuzzy"))
      continue;
    const WString key = Utf8ToWide(entry.context);
    const auto found = entry.hasContext ? sources.find(key) : sources.end();
    if (found == sources.end()) {
      out.notes += Format(u"`%s' line %u: %s is not in %s (obsolete), left out\r\n", shown,
                          static_cast<unsigned>(entry.line), entry.hasContext ? key : WString(u"an entry without key"),
                          candidate.fileName);
      continue;
    }
    const ResourceText& source = *found->second;
    if (Utf8ToWide(entry.id) != source.text) {
      out.notes += Format(u"`%s' line %u: the source text of %s has changed (merge the file with a new template), "
                          u"left out\r\n",
                          shown, static_cast<unsigned>(entry.line), key);
      continue;
    }
    WString translation = Utf8ToWide(entry.strings[0]);
    if (const char16_t* fault = TranslationFault(source, translation)) {
      out.notes += Format(u"`%s' line %u: the translation of %s in %s is not imported: its %s\r\n", shown,
                          static_cast<unsigned>(entry.line), key, candidate.fileName, fault);
      continue;
    }
    out.texts[key] = std::move(translation);
  }
  return out;
}

}  // namespace

void PoImportCommand(const Messages& messages, const WString& installFolder, Cursor tail) {
  WString poFolder = CopyToken(tail);
  if (!ResolvePath(poFolder, messages.enabled ? ResolveMode::Loud : ResolveMode::Quiet)) return;
  if (!IsDirectory(poFolder)) {
    OutputMessage(messages, u"The PO files must be in a folder: `%s' is none, aborting\r\n", poFolder);
    return;
  }
  OutputMessage(messages, u"Starting import of the PO files in `%s'\r\n", poFolder);
  BuildPackFromInstall(messages, installFolder, NextToken(tail),
                       [poFolder](const ModuleCandidate& candidate, const Module& module) {
                         // A file too large for memory is told as one that cannot be read.
                         try {
                           return ReadTranslation(poFolder, candidate, module);
                         } catch (const std::bad_alloc&) {
                           ModuleTranslation none;
                           none.notes = Format(u"Not enough memory to read the PO file of %s, it keeps its source "
                                               u"texts\r\n",
                                               candidate.fileName);
                           return none;
                         }
                       });
}
