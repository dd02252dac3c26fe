// /check: the translations of a pack or a folder of language files checked
// against the texts of an install's modules.
#include <new>

#include "diff/check_console.h"
#include "diff/check_html.h"
#include "diff/check_json.h"
#include "diff/check_module.h"
#include "driver/console_output.h"
#include "driver/environment.h"
#include "driver/flows.h"
#include "driver/ordered_workers.h"
#include "driver/path_routines.h"
#include "os/files.h"
#include "os/paths.h"

namespace {

constexpr int kPassed = 0, kFailed = 1;

// One module pair checked on a worker; a pair whose modules do not fit in
// memory is an unreadable module rather than the end of the run.
ModuleCheck CheckPairSafely(const ModulePair& pair) {
  try {
    return CheckModulePair(pair);
  } catch (const std::bad_alloc&) {
    ModuleCheck check;
    check.module = pair.relative;
    Finding finding;
    finding.check = CheckKind::Unreadable;
    finding.message = u"not enough memory to check the module";
    check.findings.push_back(std::move(finding));
    return check;
  }
}

// Every pair checked on all cores; the console tells them in walk order.
std::vector<ModuleCheck> CheckPairs(const Messages& messages, const std::vector<ModulePair>& pairs) {
  std::vector<ModuleCheck> checks(pairs.size());
  RunInOrder(
      pairs.size(), BuildWorkerCount(), [&](size_t i) { return CheckPairSafely(pairs[i]); },
      [&](size_t i, ModuleCheck& check) {
        OutputText(messages, ModuleConsoleText(check));
        checks[i] = std::move(check);
      });
  return checks;
}

bool WriteReport(const Messages& messages, const WString& folder, WStringView name, const std::string& text) {
  const WString path = JoinPath(folder, name);
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  if (ReplaceFileContents(path, bytes)) return true;
  OutputMessage(messages, u"Unable to write the report `%s' [%d], aborting\r\n", path, GetLastErrorCode());
  return false;
}

// The reports replace the previous run's whole, each by a rename.
bool WriteReports(const Messages& messages, const WString& folder, const CheckReport& report) {
  bool existed = false;
  if (!EnsureOutputFolder(messages, folder, existed)) return false;
  return WriteReport(messages, folder, u"check.json", CheckJson(report)) &&
         WriteReport(messages, folder, u"check.html", CheckHtml(report));
}

}  // namespace

int CheckCommand(const Messages& messages, const WString& installFolder, const WString& target, Cursor options) {
  WString outputFolder;
  SelectOutputFolder(options, outputFolder, nullptr, OutputKind::Checks);
  // A relative report folder belongs to the working folder of the start.
  if (!IsAbsolutePath(outputFolder)) outputFolder = CombinePath(CurrentDirectory(), outputFolder);

  const bool packMode = !IsDirectory(target);
  if (packMode) {
    const WString ext = FindExtension(LastComponent(target));
    if (!ext.empty() && !EqualsNoCase(ext, u".lgp")) {
      OutputMessage(messages, u"Invalid file passed to check against. Exiting now...\r\n");
      return kFailed;
    }
  }
  const WStringView kind = packMode ? u"language pack" : u"folder";
  OutputMessage(messages, u"Starting check of Nuvexa install (%s) against the passed %s (%s)\r\n", installFolder, kind,
                target);

  UnpackFolder unpacked;
  if (packMode) {
    bool whole = false;
    if (!UnpackPack(target, unpacked, {}, &whole)) {
      OutputMessage(messages, u"Unable to unpack the language pack (%s), aborting\r\n", target);
      return kFailed;
    }
    // Language files after a damaged entry were never unpacked: checking
    // the rest would pass them as missing.
    if (!whole) {
      OutputMessage(messages, u"The language pack (%s) is damaged, aborting\r\n", target);
      return kFailed;
    }
  }
  const std::vector<ModulePair> pairs =
      ListInstallModules(installFolder, packMode ? unpacked.path : target, CounterpartLayout::LanguageFiles);

  CheckReport report;
  report.install = installFolder;
  report.against = target;
  report.modules = CheckPairs(messages, pairs);
  report.totals = AddUpChecks(report.modules);
  OutputText(messages, SummaryText(report.totals));
  if (!WriteReports(messages, outputFolder, report)) return kFailed;
  OutputMessage(messages, u"Reports written to `%s'\r\n", outputFolder);
  OutputMessage(messages, u"\r\nCompleted check of Nuvexa install against the passed %s.\r\n", kind);
  return report.totals.errors > 0 ? kFailed : kPassed;
}
