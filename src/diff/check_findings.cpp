#include "diff/check_findings.h"

#include <cmath>

const char16_t* CheckName(CheckKind check) {
  switch (check) {
    case CheckKind::Printf: return u"printf";
    case CheckKind::Accelerator: return u"accelerator";
    case CheckKind::AcceleratorCollision: return u"accelerator-collision";
    case CheckKind::ShortcutText: return u"shortcut-text";
    case CheckKind::Whitespace: return u"whitespace";
    case CheckKind::Newlines: return u"newlines";
    case CheckKind::Guid: return u"guid";
    case CheckKind::Missing: return u"missing";
    case CheckKind::Unreadable: return u"unreadable";
  }
  return u"";
}

Severity SeverityOf(CheckKind check) {
  switch (check) {
    case CheckKind::Printf:
    case CheckKind::Accelerator:
    case CheckKind::Guid:
    case CheckKind::Unreadable: return Severity::Error;
    default: return Severity::Warning;
  }
}

const char16_t* SeverityName(Severity severity) { return severity == Severity::Error ? u"error" : u"warning"; }

const char16_t* ResourceName(CheckedResource resource) {
  switch (resource) {
    case CheckedResource::StringTable: return u"STRINGTABLE";
    case CheckedResource::Menu: return u"MENU";
    case CheckedResource::Dialog: return u"DIALOG";
    case CheckedResource::Module: return u"MODULE";
  }
  return u"";
}

CheckTotals AddUpChecks(const std::vector<ModuleCheck>& modules) {
  CheckTotals totals;
  for (const ModuleCheck& module : modules) {
    ++totals.modules;
    for (const Finding& finding : module.findings)
      ++(finding.severity() == Severity::Error ? totals.errors : totals.warnings);
    totals.texts.total += module.texts.total;
    totals.texts.translated += module.texts.translated;
    totals.texts.untranslated += module.texts.untranslated;
    totals.texts.missing += module.texts.missing;
  }
  return totals;
}

double TranslatedPercent(const TextCounts& texts) {
  if (texts.total == 0) return 0;
  return std::round(1000.0 * texts.translated / texts.total) / 10;
}
