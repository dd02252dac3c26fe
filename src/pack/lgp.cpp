// /lgp: a language pack and its hash zip from an install of the player.
#include <optional>
#include <string>

#include "driver/cleanup.h"
#include "driver/console_output.h"
#include "driver/environment.h"
#include "driver/flows.h"
#include "driver/ordered_workers.h"
#include "driver/path_routines.h"
#include "lngfile/conversion.h"
#include "lngfile/language_file.h"
#include "lngfile/pack_list.h"
#include "lngfile/resource_access.h"
#include "os/files.h"
#include "os/paths.h"
#include "os/profile.h"
#include "pack/lgp.h"
#include "pack/zip_writer.h"

namespace {

// How long a run waits for another run to finish with the same output
// folder: long enough for a large install's pack.
constexpr int kOutputFolderWaitMs = 120000;

struct LgpOptions {
  WString language = u"en-us";
  WString outputFolder;
  bool compress = false;
  bool copy = false;
  bool install = false;
  BuildOptions build;  // the language identifier's conversion mode
};

// The host executable's file version as "a_b_c_d", or "_no_version_".
WString GetHostVersion(const WString& installFolder) {
  if (const ModulePtr host = OpenModule(FindNameNoCase(installFolder, u"nuvexa.exe"))) {
    uint32_t ms = 0, ls = 0;
    if (GetModuleFileVersion(*host, ms, ls))
      return Format(u"%d_%d_%d_%d", ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF);
  }
  return u"_no_version_";
}

// The tail, strictly by position: [language] [/folder=...] then three option
// slots; "/copy" counts only in the third slot and "/install" right after it.
LgpOptions ReadLgpTail(const WString& hostVersion, Cursor tail) {
  LgpOptions options;
  WString token;
  Cursor cursor = ReadLanguageOption(tail, token, u"/copy", u"/folder=", options.build.conversionMode);
  // An empty token ("") is no identifier: the next step looks at it again.
  if (cursor != tail && !token.empty())
    options.language = token;
  else
    cursor = tail;
  cursor = SelectOutputFolder(cursor, options.outputFolder, nullptr, OutputKind::LangFiles);

  Cursor slot = SkipSpaces(cursor);
  for (int i = 0; i < 3; ++i) {
    const WString option = CopyToken(slot);
    if (option.starts_with(u"/use_nv_ver"))
      options.outputFolder = Format(u"%s_%s", options.outputFolder, hostVersion);
    else if (option.starts_with(u"/compress"))
      options.compress = true;
    if (i < 2) slot = NextToken(slot);
  }
  options.copy = MatchWord(slot, u"/copy");
  options.install = options.copy && MatchWord(NextToken(slot), u"/install");
  return options;
}

// The three passes, in order: every file the pattern finds in the folder
// is offered; the pack list decides.
std::vector<ModuleCandidate> ListCandidates(const WString& installFolder) {
  std::vector<ModuleCandidate> candidates;
  auto pass = [&](const WString& folder, WStringView pattern) {
    for (const DirEntry& entry : ListDirectory(folder, pattern))
      if (!entry.isDirectory) candidates.push_back({JoinPath(folder, entry.name), entry.name});
  };
  pass(installFolder, u"*.*");
  pass(FindNameNoCase(installFolder, u"plugins"), u"*.*");
  pass(FindNameNoCase(installFolder, u"system"), u"*.nxs");
  return candidates;
}

// How many built modules may wait for their turn to be written, at some
// 160 KB each: enough that the workers go on building while this thread
// waits for the disk. The peak stays that of the end of the run, when every
// language file's bytes are held for the pack.
constexpr size_t kModulesAhead = 48;

// A module built on a worker, with (for a compressed pack) the language
// file deflated there too: deflating is most of what zipping costs, and the
// archives are written on one thread. The hash texts are deflated later,
// while the pack is written (DeflateHashTexts).
struct BuiltModule {
  PreparedModule prepared;
  DeflatedEntry languageFile;
  bool languageDeflated = false;
};

BuiltModule BuildModule(const ModuleCandidate& candidate, const PackList& packList, const BuildOptions& options,
                        bool compress) {
  BuiltModule built;
  built.prepared = PrepareLanguageFile(candidate, packList, options);
  const LanguageFileBuild& build = built.prepared.build;
  if (built.prepared.eligible && compress && build.built)
    built.languageFile = DeflateForZip(build.bytes, built.languageDeflated);
  return built;
}

// The deflated forms of the hash text files taken from memory, made on
// every worker: the hash zip's entries. A text that cannot be deflated here
// is left to the zip writer.
ZipDeflatedContents DeflateHashTexts(const std::vector<WString>& hashFiles, const ZipFileContents& written) {
  std::vector<const ZipFileContents::value_type*> texts;
  for (const WString& path : hashFiles)
    if (const auto found = written.find(path); found != written.end()) texts.push_back(&*found);
  ZipDeflatedContents deflated;
  RunInOrder(
      texts.size(), BuildWorkerCount(),
      [&](size_t i) {
        bool ok = false;
        DeflatedEntry entry = DeflateForZip(texts[i]->second, ok);
        return ok ? std::optional<DeflatedEntry>(std::move(entry)) : std::nullopt;
      },
      [&](size_t i, std::optional<DeflatedEntry>& entry) {
        if (entry) deflated.emplace(texts[i]->first, std::move(*entry));
      });
  return deflated;
}

// Moves the deflated form of a file into `deflated` when the zip writer
// takes that file from memory and `current` (the file holds the bytes that
// were deflated) holds; otherwise the file has none and is read as usual.
void KeepDeflated(const WString& path, DeflatedEntry& entry, bool current, ZipFileContents& written,
                  ZipDeflatedContents& deflated) {
  const auto found = written.find(path);
  if (current && found != written.end()) {
    deflated[path] = std::move(entry);
    written.erase(found);  // the deflated form is what goes into the archive
  } else {
    deflated.erase(path);
  }
}

// Builds the language files of the candidates on every worker and writes
// them, their hash text files and their messages in list order from this
// thread, so the result is the same byte for byte with any number of
// workers. Returns the number of language files generated; `languageFiles`
// receives their paths, `written` the bytes of the files written,
// `hashFiles` the hash text files among them and `deflated` the deflated
// form of those the archives compress, for the zip writer.
int GenerateLanguageFiles(const Messages& messages, const std::vector<ModuleCandidate>& candidates,
                          const WString& outputFolder, const LgpOptions& options,
                          std::vector<WString>& languageFiles, ZipFileContents& written,
                          std::vector<WString>& hashFiles, ZipDeflatedContents& deflated, bool& lostToFullDisk) {
  if (candidates.empty()) return 0;
  // The pack list is read once, at the first query.
  PackList packList = OpenPackList(messages, GetModuleFolder());
  int processed = 0;
  RunInOrder(
      candidates.size(), BuildWorkerCount(),
      [&](size_t i) { return BuildModule(candidates[i], packList, options.build, options.compress); },
      [&](size_t i, BuiltModule& built) {
        if (i > 0) QueryPackList(messages, packList);
        const ModuleCandidate& candidate = candidates[i];
        const WString base = RemoveExtension(candidate.fileName);
        const bool eligible = built.prepared.eligible;
        const bool generated = GenerateLanguageFile(messages, built.prepared, candidate, outputFolder, base, &written);
        if (generated) {
          ++processed;
          languageFiles.push_back(JoinPath(outputFolder, base + u".lng"));
        } else if (eligible && GetLastErrorCode() == kErrorDiskFull) {
          lostToFullDisk = true;
        }
        if (eligible) {
          // `written` keeps a hash text file's bytes only while one module's
          // text alone made the file (a later module of the same name takes
          // them out again); a language file is taken from memory when this
          // module's was written.
          const WString hashFile = JoinPath(outputFolder, base + u".txt");
          if (!built.prepared.build.hashText.empty() && written.count(hashFile) != 0) hashFiles.push_back(hashFile);
          if (options.compress)
            KeepDeflated(JoinPath(outputFolder, base + u".lng"), built.languageFile,
                         built.languageDeflated && generated, written, deflated);
        }
        built = BuiltModule();  // its bytes are written: let them go
      },
      kModulesAhead);
  return processed;
}

// The extra folders beside the tool, in the order the pack lists them.
void AddToolExtras(ZipSession& pack, bool compress) {
  const WString tool = GetModuleFolder();
  ZipAddFolder(pack, FindNameNoCase(tool, u"freeform"), tool, u"*.*", compress);
  const WString docs = FindNameNoCase(tool, u"docs");
  ZipAddFolder(pack, docs, docs, u"*.txt", compress);
  ZipAddFolder(pack, docs, docs, u"atf.htm", compress);
  const WString ini = FindNameNoCase(tool, u"ini");
  ZipAddFolder(pack, ini, ini, u"*.ini", compress);
  const WString extralng = FindNameNoCase(tool, u"extralng");
  ZipAddFolder(pack, extralng, extralng, u"*.lng", compress);
}

// Takes the output folder for this run, so that two runs into one folder
// never mix their files; a run that holds it is waited for. Null after the
// message when the folder cannot be had.
FolderLockPtr TakeOutputFolder(const Messages& messages, const WString& folder) {
  if (FolderLockPtr lock = LockFolder(folder, 0)) return lock;
  if (GetLastErrorCode() == kErrorSharingViolation) {
    OutputMessage(messages, u"Waiting for another run to finish with `%s'...\r\n", folder);
    if (FolderLockPtr lock = LockFolder(folder, FolderLockWaitMs(kOutputFolderWaitMs))) return lock;
  }
  if (GetLastErrorCode() == kErrorSharingViolation)
    OutputMessage(messages, u"Another run is still using `%s', aborting\r\n", folder);
  else
    OutputMessage(messages, u"Unable to lock `%s' [%d], aborting\r\n", folder, GetLastErrorCode());
  return nullptr;
}

// A file the new archive could not be renamed over: read-only, or a folder.
bool CannotBeReplaced(const WString& path) {
  return PathExists(path) && (IsDirectory(path) || IsReadOnly(path));
}

// Copies the pack into the install's language folder and, with /install,
// makes it the current pack in the player's settings file.
void CopyIntoInstall(const Messages& messages, const WString& installFolder, const WString& pack,
                     const LgpOptions& options) {
  WString settingsFile, languageFolder;
  const WString pathsIni = FindNameNoCase(installFolder, u"paths.ini");
  WString iniDir;
  if (PathExists(pathsIni) && GetProfileValue(pathsIni, u"Nuvexa", u"inidir", iniDir) && !iniDir.empty()) {
    settingsFile = FindNameNoCase(ExpandFolderVariables(iniDir), u"nuvexa.ini");
    WString langDir;
    if (GetProfileValue(settingsFile, u"Nuvexa", u"langdir", langDir) && !langDir.empty()) languageFolder = langDir;
  }
  if (languageFolder.empty()) languageFolder = FindNameNoCase(installFolder, u"Lang");
  // With no settings file named by paths.ini, the player reads the one in
  // its install folder.
  if (settingsFile.empty()) settingsFile = FindNameNoCase(installFolder, u"nuvexa.ini");

  const WString destination = JoinPath(languageFolder, Format(u"Nuvexa-%s.lgp", options.language));
  // The install's current pack is replaced in one step: a copy cut short
  // (a full disk, a killed run) leaves the old pack as it was.
  std::vector<uint8_t> bytes;
  const bool read = ReadWholeFile(pack, bytes);
  if (!read || !ReplaceFileContents(destination, bytes)) {
    OutputMessage(messages, u"Failed to copy language file to %s [%d]\r\n", destination, GetLastErrorCode());
    return;
  }
  // A special folder the platform does not know expands to "<invalid>":
  // no such name can be created on Windows, so the write fails there, and
  // fails the same way here (its result is not looked at).
  const bool nameable = settingsFile.find_first_of(u"<>") == WString::npos;
  if (options.install && nameable)
    WriteProfileValue(settingsFile, u"Nuvexa", u"langpack", Format(u"Nuvexa-%s.lgp", options.language));
  OutputMessage(messages, u"Copied language file to %s\r\n", destination);
}

}  // namespace

void LgpCommand(const Messages& messages, const WString& installFolder, const WString&, const WString&, Cursor tail) {
  BuildPackFromInstall(messages, installFolder, tail, nullptr);
}

WString HostVersionOf(const WString& installFolder) { return GetHostVersion(installFolder); }

void BuildPackFromInstall(const Messages& messages, const WString& installFolder, Cursor tail,
                          const TranslateModule& translate) {
  const WString version = GetHostVersion(installFolder);
  LgpOptions options = ReadLgpTail(version, tail);
  // Translated texts are put in as they are: the language identifier then
  // only names the pack.
  if (translate) {
    options.build.translate = translate;
    options.build.conversionMode = kConvertNone;
  }
  const WString& outputFolder = options.outputFolder;
  OutputMessage(messages,
                u"Starting building nuvexa-%s.lgp from the Nuvexa install in `%s'\r\nGenerated files will be saved in "
                u"`%s'\r\n",
                options.language, installFolder, outputFolder);

  bool existed = false;
  if (!EnsureOutputFolder(messages, outputFolder, existed)) return;
  const FolderLockPtr lock = TakeOutputFolder(messages, outputFolder);
  if (!lock) return;
  // The clean-up removes the output folder's language and hash text files
  // before the install is listed, so that the modules found are the files
  // that are left (an output folder inside the install may hold some).
  if (existed) CleanWorkingFolder(messages, outputFolder);
  const std::vector<ModuleCandidate> candidates = ListCandidates(installFolder);

  const WString pack = JoinPath(outputFolder, Format(u"Nuvexa-%s-%s.lgp", options.language, version));
  const WString hashZip = JoinPath(outputFolder, Format(u"Nuvexa-%s-hash-%s.zip", options.language, version));
  // The bytes of the language and hash text files this run wrote, zipped
  // from memory by the walks below.
  ZipFileContents written;

  bool lostToFullDisk = false;
  std::vector<WString> hashFiles;
  ZipDeflatedContents deflated;
  std::vector<WString> languageFiles;
  const int processed = GenerateLanguageFiles(messages, candidates, outputFolder, options, languageFiles, written,
                                              hashFiles, deflated, lostToFullDisk);
  if (processed == 0) {
    OutputMessage(messages, u"No files were processed, aborting building Nuvexa-%s.lgp\r\n", options.language);
    return;
  }

  // The old pack and hash zip stay until the new ones are whole; each is
  // written under a working name and renamed over its old file at the end.
  auto abort = [&] {
    OutputMessage(messages, u"Issue detected when adding lng files, aborting building Nuvexa-%s.lgp\r\n",
                  options.language);
  };
  // A language file the disk had no room for would be missing from the
  // pack: the old pack is kept rather than replaced by one that lacks it.
  if (lostToFullDisk) {
    abort();
    return;
  }
  if (CannotBeReplaced(pack)) {
    PrintNarrow("error opening %s\r\n", pack);
    abort();
    return;
  }
  // The hash zip's entries are deflated on every worker and written on a
  // thread of their own while the pack is written (both walks only read
  // `written`), so the pack's writing, which one thread does, shares the
  // machine with that work rather than leave a core idle. What the hash
  // zip's writer says is told after the pack is done, and only when the run
  // goes on to the hash zip. A pack that fails takes the hash zip's working
  // file away with the session, so the old pair stays as it was.
  ZipSession hashZipSession(hashZip);
  HeldMessages hashZipMessages;
  hashZipSession.held = &hashZipMessages;
  ZipResult hashZipClosed = ZipResult::NoEntries;
  // Without a thread of its own (a process limit) it is written after the
  // pack, on this thread, with the same result.
  SideTask hashZipWriter([&] {
    const ZipDeflatedContents hashTexts = DeflateHashTexts(hashFiles, written);
    ZipAddFolder(hashZipSession, outputFolder, outputFolder, u"*.txt", true, &written, &hashTexts);
    // A sound hash zip is closed here too, and synced when it is to replace
    // one, so that all that is left for later is its rename.
    if (!ZipSound(hashZipSession)) return;
    hashZipClosed = ZipClose(hashZipSession);
    if (hashZipClosed == ZipResult::Written && PathExists(hashZip)) SyncFile(hashZipSession.working);
  });

  // The pack's language files are the ones this run built: an old one that
  // the clean-up could not remove (held open, immutable) is named and left
  // out, never packed as this run's.
  const ZipAdmit builtThisRun = [&](const WString& path) {
    for (const WString& built : languageFiles)
      if (SamePathName(path, built)) return true;
    OutputMessage(messages, u"Leaving `%s' out of the pack: this run did not build it\r\n", path);
    return false;
  };
  // A file that cannot be zipped is left out with the writer's message; only
  // a pack that cannot be written whole is never published.
  ZipSession packZip(pack);
  ZipAddFolder(packZip, outputFolder, outputFolder, u"*.lng", options.compress, &written, &deflated, builtThisRun);
  if (packZip.working.empty() || !ZipSound(packZip)) {
    abort();
    return;
  }
  AddToolExtras(packZip, options.compress);
  if (ZipClose(packZip) != ZipResult::Written) {
    abort();
    return;
  }

  hashZipWriter.Wait();
  hashZipSession.held = nullptr;
  ConsoleWrite(hashZipMessages.text);
  if (!ZipPublish(packZip)) {
    abort();
    return;
  }
  // A hash zip that cannot be written whole keeps its old file while the
  // new pack stands: the writer has said why, and the run is not complete
  // (so the pack is not copied into the install either).
  if (!ZipSound(hashZipSession) || hashZipClosed == ZipResult::Failed) return;
  if (hashZipClosed == ZipResult::Written && !ZipPublish(hashZipSession)) return;
  OutputMessage(messages, u"\r\nCompleted building %s\r\n", LastComponent(pack));

  if (options.copy) CopyIntoInstall(messages, installFolder, pack, options);
}
