// The comparers of one module pair: each looks one resource of the install
// module up on both sides (default language) and reports what differs.
#pragma once

#include "diff/diff_report.h"
#include "pe/resources.h"

// The report file of a pair: the install file's stem with ".txt".
WString ReportPath(const WString& outputFolder, const WString& installPath);

// Compares every resource of a kind the diff knows, in the install module's
// type and name order, into the pair's report (named after the install
// file's stem in `outputFolder`). A file that is no module gives no
// entries. Reads nothing but the two files and writes nothing.
DiffReport CompareModulePair(const DiffOptions& options, const WString& installPath, const WString& comparisonPath,
                             const WString& comparisonFile, const WString& outputFolder);

// One resource looked up on both sides by type and name.
struct ResourcePair {
  bool haveOurs = false, haveTheirs = false;
  ByteSpan ours, theirs;
  bool Changed() const { return haveOurs && haveTheirs && !SameBytes(ours, theirs); }
};
ResourcePair LookUpBoth(const Module& install, const Module& comparison, const ResId& type, const ResId& name);

// The entry of a resource that one side lacks: `added` when only the install
// has it, `removed` when only the comparison does. True when both have it
// and their bytes differ: the caller then describes the change.
template <class... Args>
bool ReportPresence(DiffReport& report, const ResourcePair& pair, WStringView added, WStringView removed,
                    const Args&... args) {
  if (pair.haveOurs && !pair.haveTheirs) ReportEntry(report, added, args...);
  else if (!pair.haveOurs && pair.haveTheirs) ReportEntry(report, removed, args...);
  return pair.Changed();
}

void CompareStringTable(DiffReport& report, const Module& install, const Module& comparison, const ResId& block);
void CompareMenu(DiffReport& report, const Module& install, const Module& comparison, const ResId& name);
void CompareDialog(DiffReport& report, const Module& install, const Module& comparison, const ResId& name);
void CompareAccelerators(DiffReport& report, const Module& install, const Module& comparison, const ResId& name);
// `type` is RT_BITMAP with the label "Bitmap" or the named type PNG with "PNG".
void CompareImage(DiffReport& report, const Module& install, const Module& comparison, const ResId& name,
                  const ResId& type, WStringView label);
void CompareTextResource(DiffReport& report, const Module& install, const Module& comparison, const ResId& name);
