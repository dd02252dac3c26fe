// The console's account of a /check run: per module with findings a header
// naming the pair and one line per finding, then the summary.
#pragma once

#include "diff/check_findings.h"

// Empty for a module without findings.
WString ModuleConsoleText(const ModuleCheck& module);
// Where a finding stands, as the console and the page show it:
// "STRINGTABLE 101", "MENU 200 item 40001 (position 3)", "DIALOG 100
// control 1001 (position 2)", "MODULE".
WString FindingPlaceText(const TextPlace& place);
// A share in percent with one decimal ("97.5").
WString PercentText(double percent);
WString SummaryText(const CheckTotals& totals);
