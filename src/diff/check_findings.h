// What /check finds in one module pair: the findings, each tied to a
// resource and an identifier, and the counts of the module's texts.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "pe/resources.h"
#include "text/text.h"

enum class CheckKind {
  Printf,
  Accelerator,
  AcceleratorCollision,
  ShortcutText,
  Whitespace,
  Newlines,
  Guid,
  Missing,
  Unreadable,
};
enum class Severity { Error, Warning };
enum class CheckedResource { StringTable, Menu, Dialog, Module };

// The name of a check as the reports give it ("printf", "accelerator-collision", ...).
const char16_t* CheckName(CheckKind check);
// Each check has one severity.
Severity SeverityOf(CheckKind check);
const char16_t* SeverityName(Severity severity);  // "error", "warning"
const char16_t* ResourceName(CheckedResource resource);  // "STRINGTABLE", "MENU", "DIALOG", "MODULE"

// Where a text stands: a string by its identifier (in `id`); a menu item by
// the menu's name, the item's id and its position (from 1, in template
// order); a dialog's caption by the dialog's name alone, a control by the
// dialog's name, the control's id and its position (from 1).
struct TextPlace {
  CheckedResource resource = CheckedResource::Module;
  std::optional<ResId> id;
  std::optional<uint32_t> item;
  std::optional<uint32_t> index;
};

struct Finding {
  CheckKind check = CheckKind::Missing;
  TextPlace place;
  std::optional<WString> source, translation;
  WString message;
  Severity severity() const { return SeverityOf(check); }
};

// Texts of the module: each string (but the pack list's key, string 65535),
// each menu item, dialog caption and control text that is not empty in the
// module. A translation identical to its source is untranslated.
struct TextCounts {
  uint32_t total = 0, translated = 0, untranslated = 0, missing = 0;
};

// One module pair checked.
struct ModuleCheck {
  WString module;        // relative to the install, "/" between folders
  WString languageFile;  // its name; empty when the module has none
  TextCounts texts;
  std::vector<Finding> findings;
};

// The findings of a run added up.
struct CheckTotals {
  uint32_t modules = 0, errors = 0, warnings = 0;
  TextCounts texts;
};
CheckTotals AddUpChecks(const std::vector<ModuleCheck>& modules);
// The share of translated texts in percent, to one decimal (0 when there
// are no texts).
double TranslatedPercent(const TextCounts& texts);

// What the reports of a run tell: the install, the pack or folder it was
// checked against, and every module in walk order.
struct CheckReport {
  WString install, against;
  std::vector<ModuleCheck> modules;
  CheckTotals totals;
};
