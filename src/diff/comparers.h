// The comparers of one module pair: each looks one resource of the install
// module up on both sides (default language) and reports what differs.
#pragma once

#include "diff/diff_report.h"
#include "platform/resources.h"

// Compares every resource of a kind the diff knows, in the install module's
// type and name order, and writes the pair's report when anything differs.
// A pair with a missing file, an install file that is no .exe, .dll or .nxs,
// or a file that is no module is skipped.
void CompareModulePair(const WString& installPath, const WString& comparisonPath, const WString& outputFolder);

void CompareStringTable(DiffReport& report, const Module& install, const Module& comparison, const ResId& block);
void CompareMenu(DiffReport& report, const Module& install, const Module& comparison, const ResId& name);
void CompareDialog(DiffReport& report, const Module& install, const Module& comparison, const ResId& name);
void CompareAccelerators(DiffReport& report, const Module& install, const Module& comparison, const ResId& name);
// `type` is RT_BITMAP with the label "Bitmap" or the named type PNG with "PNG".
void CompareImage(DiffReport& report, const Module& install, const Module& comparison, const ResId& name,
                  const ResId& type, WStringView label);
void CompareTextResource(DiffReport& report, const Module& install, const Module& comparison, const ResId& name);
