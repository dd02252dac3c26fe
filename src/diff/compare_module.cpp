#include "diff/comparers.h"

#include "lngfile/resource_access.h"
#include "os/files.h"
#include "os/paths.h"

namespace {

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

WString ReportPath(const WString& outputFolder, const WString& installPath) {
  return JoinPath(outputFolder, RemoveExtension(LastComponent(installPath)) + u".txt");
}

DiffReport CompareModulePair(const DiffOptions& options, const WString& installPath, const WString& comparisonPath,
                             const WString& comparisonFile, const WString& outputFolder) {
  DiffReport report;
  report.options = options;
  report.installName = LastComponent(installPath);
  // The header names the counterpart as it was looked for.
  report.comparisonName = LastComponent(comparisonPath);
  report.path = ReportPath(outputFolder, installPath);

  const ModulePtr install = LoadModuleAsData(installPath);
  const ModulePtr comparison = LoadModuleAsData(comparisonFile);
  if (!install || !comparison) return report;

  for (const ResId& type : EnumResourceTypes(*install)) {
    if (!IsComparedType(type)) continue;
    for (const ResId& name : EnumResourceNames(*install, type))
      CompareResource(report, *install, *comparison, type, name);
  }
  return report;
}

ResourcePair LookUpBoth(const Module& install, const Module& comparison, const ResId& type, const ResId& name) {
  ResourcePair pair;
  pair.haveOurs = FindResourceData(install, type, name, nullptr, pair.ours);
  pair.haveTheirs = FindResourceData(comparison, type, name, nullptr, pair.theirs);
  return pair;
}
