// One module checked against its language file: its string tables, menus
// and dialogs read on both sides through the template codecs and matched.
#pragma once

#include "diff/check_findings.h"
#include "diff/module_pairs.h"

// Reads the two files and nothing else; safe on several threads at once.
// Strings are matched by id; menu items (MENU and MENUEX) by item id where
// the id names one item on both sides, else by position; dialog controls
// (DIALOG and DIALOGEX) by control id where it names one control on both
// sides, else by position. Each side is read in its own format, in the
// module's default language.
ModuleCheck CheckModulePair(const ModulePair& pair);
