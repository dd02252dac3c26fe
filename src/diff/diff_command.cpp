#include <new>
#include <set>
#include <vector>

#include "diff/comparers.h"
#include "diff/module_pairs.h"
#include "driver/cleanup.h"
#include "driver/console_output.h"
#include "driver/environment.h"
#include "driver/flows.h"
#include "driver/ordered_workers.h"
#include "driver/path_routines.h"
#include "os/error_codes.h"
#include "os/files.h"
#include "os/paths.h"
#include "pack/extract.h"

namespace {

constexpr int kReportLockWaitMs = 5000;

bool StartsWith(const WString& token, WStringView prefix) { return token.compare(0, prefix.size(), prefix) == 0; }

// The exclude options count only in the order images, strings, sizes; after
// the first position only their long forms are recognised. The images
// option is taken under its short prefix and under its whole name.
DiffOptions ReadExcludeOptions(Cursor cursor) {
  DiffOptions options;
  const WString first = CopyToken(cursor);
  if (StartsWith(first, u"/exclude_img") || StartsWith(first, u"/exclude_images")) options.excludeImages = true;
  else if (StartsWith(first, u"/exclude_str")) options.excludeStrings = true;
  else if (StartsWith(first, u"/exclude_siz")) options.excludeSizes = true;
  cursor = NextToken(SkipSpaces(cursor));
  const WString second = CopyToken(cursor);
  if (StartsWith(second, u"/exclude_string")) options.excludeStrings = true;
  else if (StartsWith(second, u"/exclude_size")) options.excludeSizes = true;
  cursor = NextToken(SkipSpaces(cursor));
  if (StartsWith(CopyToken(cursor), u"/exclude_size")) options.excludeSizes = true;
  return options;
}

struct DiffRun {
  Messages messages;
  WString installFolder;
  WString target;        // the pack or the other install
  WString outputFolder;
  bool packMode = false;
  DiffOptions options;
  WString tempFolder;    // pack mode: where the pack was unpacked
};

// The module pairs of the install, in walk order: its root, plugins and
// system folders, each in listing order; a module without a counterpart is
// no pair.
std::vector<ModulePair> ListModulePairs(const DiffRun& run) {
  std::vector<ModulePair> pairs =
      ListInstallModules(run.installFolder, run.packMode ? run.tempFolder : run.target,
                         run.packMode ? CounterpartLayout::LanguageFiles : CounterpartLayout::SameRelativePath);
  std::erase_if(pairs, [](const ModulePair& pair) { return pair.counterpartFile.empty(); });
  return pairs;
}

// One pair compared: its report, or the note that its modules did not fit
// in memory.
struct PairOutcome {
  ReportOutput output;
  bool outOfMemory = false;
};

// `writeAhead`: no earlier pair has the same report path, so the report
// file is written here and only its outcome waits for the pair's turn.
PairOutcome ComparePair(const DiffRun& run, const ModulePair& pair, bool writeAhead) {
  PairOutcome outcome;
  try {
    outcome.output = PrepareReport(
        CompareModulePair(run.options, pair.install, pair.counterpart, pair.counterpartFile, run.outputFolder));
  } catch (const std::bad_alloc&) {
    outcome.output = ReportOutput();
    outcome.outOfMemory = true;
    return outcome;
  }
  if (writeAhead) WriteReportAhead(outcome.output);
  return outcome;
}

// True when every pair was compared and every report written. The pairs are
// compared on several threads; reports and messages are written in walk
// order on this one, so the output is the same as one thread's.
bool CompareInstall(const DiffRun& run) {
  const Messages& messages = run.messages;
  const std::vector<ModulePair> pairs = ListModulePairs(run);
  if (pairs.empty()) return true;
  // Before the first pair: the report folder (one level; a failure shows
  // when the reports are written), then the reports of earlier runs go.
  CreateFolder(run.outputFolder);
  // Two runs into one report folder would remove and mix each other's
  // reports: the second waits for the first, and gives up after a while. A
  // folder that cannot be opened is not locked: its writes fail and say so.
  const FolderLockPtr lock = LockFolder(run.outputFolder, FolderLockWaitMs(kReportLockWaitMs));
  if (!lock && GetLastErrorCode() == kErrorSharingViolation) {
    OutputMessage(messages, u"The report folder `%s' is in use by another run, aborting\r\n", run.outputFolder);
    return false;
  }
  CleanWorkingFolder(messages, run.outputFolder);

  // A report path that an earlier pair names too waits for that pair's write.
  std::vector<bool> writeAhead(pairs.size());
  std::set<WString> paths;
  for (size_t i = 0; i < pairs.size(); ++i)
    writeAhead[i] = paths.insert(ReportPath(run.outputFolder, pairs[i].install)).second;

  ReportFiles files;
  bool complete = true;
  RunInOrder(
      pairs.size(), BuildWorkerCount(), [&](size_t i) { return ComparePair(run, pairs[i], writeAhead[i]); },
      [&](size_t i, PairOutcome& outcome) {
        if (outcome.outOfMemory) {
          // A pair whose modules do not fit in memory is passed over.
          OutputMessage(messages, u"Not enough memory to compare `%s'\r\n", pairs[i].install);
          complete = false;
        } else if (!WritePairReport(messages, files, outcome.output)) {
          complete = false;
        }
      });
  return complete;
}

// Unpacks the pack into a new temporary folder; `opened` tells whether
// there is anything to compare. False, after saying so, when the pack could
// not be unpacked whole: no temporary folder, or one without room for it
// (the comparison would miss modules and the old reports would look
// current). The working folder is the one of the start again afterwards.
bool UnpackTarget(const DiffRun& run, UnpackFolder& temp, bool& opened) {
  temp.created = CreateFolder(temp.path);
  int error = temp.created ? 0 : GetLastErrorCode();
  opened = false;
  if (temp.created) {
    const WString workingFolder = CurrentDirectory();
    opened = ExtractArchive(run.target, temp.path, {}, &error);
    ChangeDirectory(workingFolder);
  }
  if (temp.created && error == 0) return true;
  OutputMessage(run.messages, u"Unable to unpack `%s' into `%s' [%d], aborting\r\n", run.target, temp.path, error);
  return false;
}

}  // namespace

void DiffCommand(const Messages& messages, const WString& installFolder, const WString& target, Cursor options) {
  DiffRun run;
  run.messages = messages;
  run.installFolder = installFolder;
  run.target = target;
  const Cursor afterFolder = SelectOutputFolder(options, run.outputFolder, nullptr, OutputKind::Diffs);
  // A relative report folder that does not exist yet belongs to the working
  // folder of the start, not to wherever the extraction leaves the process;
  // with no working folder (it was deleted) there is nowhere to make it.
  if (!CanPlaceOutputFolder(messages, run.outputFolder)) return;
  if (!IsAbsolutePath(run.outputFolder)) run.outputFolder = CombinePath(CurrentDirectory(), run.outputFolder);

  run.packMode = !IsDirectory(target);
  if (run.packMode) {
    const WString ext = FindExtension(LastComponent(target));
    if (!ext.empty() && !EqualsNoCase(ext, u".lgp")) {
      OutputMessage(messages, u"Invalid file passed to differentiate against. Exiting now...\r\n");
      return;
    }
    run.options = ReadExcludeOptions(afterFolder);
  }
  const WStringView kind = run.packMode ? u"language pack" : u"folder";
  OutputMessage(messages, u"Starting differential of Nuvexa install (%s) against the passed %s (%s)\r\n", installFolder,
                kind, target);

  // A run that lost a pair or a report has said so and does not end as
  // completed.
  bool complete = true;
  if (!run.packMode) {
    complete = CompareInstall(run);
  } else {
    UnpackFolder temp;
    temp.path = run.tempFolder = MakeTempFolderName(TempFolder());
    // A pack that cannot be opened has been named by the extraction; with
    // nothing compared, the run is not complete.
    bool opened = false;
    complete = UnpackTarget(run, temp, opened) && opened && CompareInstall(run);
  }
  if (!complete) return;
  OutputMessage(messages, u"\r\nCompleted differential of Nuvexa install against the passed %s.\r\n", kind);
}
