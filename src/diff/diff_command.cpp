#include "diff/comparers.h"
#include "driver/console_output.h"
#include "driver/flows.h"
#include "driver/path_routines.h"
#include "pack/extract.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace {

bool StartsWith(const WString& token, WStringView prefix) { return token.compare(0, prefix.size(), prefix) == 0; }

// The exclude options count only in the order images, strings, sizes; after
// the first position only their long forms are recognised.
void ReadExcludeOptions(Cursor cursor) {
  const WString first = CopyToken(cursor);
  if (StartsWith(first, u"/exclude_img")) g_excludeImages = true;
  else if (StartsWith(first, u"/exclude_str")) g_excludeStrings = true;
  else if (StartsWith(first, u"/exclude_siz")) g_excludeSizes = true;
  cursor = NextToken(SkipSpaces(cursor));
  const WString second = CopyToken(cursor);
  if (StartsWith(second, u"/exclude_string")) g_excludeStrings = true;
  else if (StartsWith(second, u"/exclude_size")) g_excludeSizes = true;
  cursor = NextToken(SkipSpaces(cursor));
  if (StartsWith(CopyToken(cursor), u"/exclude_size")) g_excludeSizes = true;
}

struct DiffRun {
  WString installFolder;
  WString target;        // the pack or the other install
  WString outputFolder;
  bool packMode = false;
  WString tempFolder;    // pack mode: where the pack was unpacked
  bool tempCreated = false;
};

// The counterpart of an install file: the flat "<stem>.lng" of the unpacked
// pack, or the same name in the same folder of the other install.
WString ComparisonPath(const DiffRun& run, const WString& subfolder, const WString& name) {
  if (run.packMode) return JoinPath(run.tempFolder, RemoveExtension(name) + u".lng");
  const WString folder = subfolder.empty() ? run.target : FindNameNoCase(run.target, subfolder);
  return JoinPath(folder, name);
}

void CompareFolder(const DiffRun& run, const WString& subfolder) {
  const WString folder = subfolder.empty() ? run.installFolder : FindNameNoCase(run.installFolder, subfolder);
  for (const DirEntry& entry : ListDirectory(folder, u"*.*")) {
    if (entry.isDirectory) continue;
    CompareModulePair(JoinPath(folder, entry.name), ComparisonPath(run, subfolder, entry.name), run.outputFolder);
  }
}

void CompareInstall(const DiffRun& run) {
  CompareFolder(run, WString());
  CompareFolder(run, u"plugins");
  CompareFolder(run, u"system");
}

// Unpacks the pack into a new temporary folder; false when nothing can be
// compared. The working folder is the one of the start again afterwards.
bool UnpackTarget(DiffRun& run) {
  run.tempFolder = MakeTempFolderName(TempFolder());
  // A folder of that name that exists already is not ours to fill or remove.
  run.tempCreated = CreateFolder(run.tempFolder);
  if (!run.tempCreated) return false;
  const WString workingFolder = CurrentDirectory();
  const int result = ExtractArchive(run.target, run.tempFolder);
  ChangeDirectory(workingFolder);
  return result == 0;
}

}  // namespace

void DiffCommand(const WString& installFolder, const WString& target, Cursor options) {
  DiffRun run;
  run.installFolder = installFolder;
  run.target = target;
  const Cursor afterFolder = SelectOutputFolder(options, run.outputFolder, nullptr, OutputKind::Diffs);
  // A relative report folder that does not exist yet belongs to the working
  // folder of the start, not to wherever the extraction leaves the process.
  if (!IsAbsolutePath(run.outputFolder)) run.outputFolder = CombinePath(CurrentDirectory(), run.outputFolder);

  run.packMode = !IsDirectory(target);
  if (run.packMode) {
    const WString ext = FindExtension(LastComponent(target));
    if (!ext.empty() && !EqualsNoCase(ext, u".lgp")) {
      OutputMessage(u"Invalid file passed to differentiate against. Exiting now...\r\n");
      return;
    }
    ReadExcludeOptions(afterFolder);
  }
  const WStringView kind = run.packMode ? u"language pack" : u"folder";
  OutputMessage(u"Starting differential of Nuvexa install (%s) against the passed %s (%s)\r\n", installFolder, kind,
                target);

  if (!run.packMode) {
    CompareInstall(run);
  } else {
    if (UnpackTarget(run)) CompareInstall(run);
    if (run.tempCreated) DeleteTree(run.tempFolder);
  }
  OutputMessage(u"\r\nCompleted differential of Nuvexa install against the passed %s.\r\n", kind);
}
