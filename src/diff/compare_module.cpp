#include "diff/comparers.h"

#include "driver/cleanup.h"
#include "lngfile/resource_access.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace {

// The reports of an earlier run are removed once, at the first pair that
// gets as far as the report step.
bool g_reportCleanupPending = true;

bool IsComparedModule(const WString& path) {
  const WString ext = FindExtension(path);
  return EqualsNoCase(ext, u".exe") || EqualsNoCase(ext, u".dll") || EqualsNoCase(ext, u".nxs");
}

bool IsComparedType(const ResId& type) {
  if (type.isName) return true;
  switch (type.id) {
    case kRtBitmap:
    case kRtMenu:
    case kRtDialog:
    case kRtString:
    case kRtAccelerator:
      return true;
    default:
      return false;
  }
}

void CompareResource(DiffReport& report, const Module& install, const Module& comparison, const ResId& type,
                     const ResId& name) {
  if (type.isName) {
    if (EqualsNoCase(type.name, u"TEXT")) CompareTextResource(report, install, comparison, name);
    else if (EqualsNoCase(type.name, u"PNG")) CompareImage(report, install, comparison, name, type, u"PNG");
    return;
  }
  switch (type.id) {
    case kRtBitmap: CompareImage(report, install, comparison, name, type, u"Bitmap"); break;
    case kRtMenu: CompareMenu(report, install, comparison, name); break;
    case kRtDialog: CompareDialog(report, install, comparison, name); break;
    case kRtString: CompareStringTable(report, install, comparison, name); break;
    case kRtAccelerator: CompareAccelerators(report, install, comparison, name); break;
    default: break;
  }
}

}  // namespace

void CompareModulePair(const WString& installPath, const WString& comparisonPath, const WString& outputFolder) {
  // The counterpart is found whatever the letter case of its name, as on the
  // file systems the packs come from; the header names it as asked for.
  const WString comparisonFile = FindNameNoCase(ParentFolder(comparisonPath), LastComponent(comparisonPath));
  if (!PathExists(installPath) || !PathExists(comparisonFile)) return;
  if (!IsComparedModule(installPath)) return;

  DiffReport report;
  report.installName = LastComponent(installPath);
  report.comparisonName = LastComponent(comparisonPath);
  report.path = JoinPath(outputFolder, RemoveExtension(report.installName) + u".txt");
  CreateFolder(ParentFolder(report.path));  // one level; a failure shows when the report is written

  if (g_reportCleanupPending) {
    g_reportCleanupPending = false;
    CleanWorkingFolder(outputFolder);
  }

  const ModulePtr install = LoadModuleAsData(installPath);
  const ModulePtr comparison = LoadModuleAsData(comparisonFile);
  if (!install || !comparison) return;

  for (const ResId& type : EnumResourceTypes(*install)) {
    if (!IsComparedType(type)) continue;
    for (const ResId& name : EnumResourceNames(*install, type))
      CompareResource(report, *install, *comparison, type, name);
  }
}
