// check.html: the findings of a /check run as one self-contained page for a
// translator's browser (inline style, no script, nothing fetched), UTF-8.
#pragma once

#include <string>

#include "diff/check_findings.h"

// The summary, a bar per module with its translated share, then the
// findings (errors first, each kind in walk order) with source and
// translation side by side, their hotkey letters and conversions marked.
// Every text from the files is escaped.
std::string CheckHtml(const CheckReport& report);

// A text as the page shows it: HTML-escaped, line breaks and tabs shown as
// \r, \n and \t, conversions in <span class="conv"> and, with `hotkeys`
// (menu and dialog texts, which have them), hotkey letters in
// <mark class="hotkey">.
std::string HighlightedText(WStringView text, bool hotkeys);
