#include "diff/check_console.h"

#include <cmath>

#include "diff/diff_report.h"
#include "text/format.h"

namespace {

// A text on one line: line breaks and tabs shown as \r, \n and \t.
WString OneLine(const WString& text) { return EscapeControlChars(text, text.size()); }

WString FindingLine(const Finding& finding) {
  WString line = Format(u"%s %s %s: %s", SeverityName(finding.severity()), CheckName(finding.check),
                        FindingPlaceText(finding.place), finding.message);
  if (finding.source)
    line += Format(u": `%s' -> %s", OneLine(*finding.source),
                   finding.translation ? Format(u"`%s'", OneLine(*finding.translation)) : WString(u"(none)"));
  return line + u"\r\n";
}

}  // namespace

WString FindingPlaceText(const TextPlace& place) {
  WString text = ResourceName(place.resource);
  if (place.id) text += u" " + FormatResourceName(*place.id);
  const WStringView kind = place.resource == CheckedResource::Menu ? u"item" : u"control";
  if (place.item && place.index)
    text += Format(u" %s %u (position %u)", kind, static_cast<unsigned>(*place.item), static_cast<unsigned>(*place.index));
  else if (place.index)
    text += Format(u" position %u", static_cast<unsigned>(*place.index));
  return text;
}

WString ModuleConsoleText(const ModuleCheck& module) {
  if (module.findings.empty()) return {};
  WString text = Format(u"\r\n<<<<< Checking %s against %s >>>>>\r\n", module.module,
                        module.languageFile.empty() ? WString(u"(no language file)") : module.languageFile);
  for (const Finding& finding : module.findings) text += FindingLine(finding);
  return text;
}

WString PercentText(double percent) {
  const long tenths = std::lround(percent * 10);
  return Format(u"%d.%d", static_cast<int>(tenths / 10), static_cast<int>(tenths % 10));
}

WString SummaryText(const CheckTotals& totals) {
  return Format(u"\r\nChecked %u modules: %u errors, %u warnings; %u of %u texts translated (%s%%), %u untranslated, "
                u"%u missing\r\n",
                totals.modules, totals.errors, totals.warnings, totals.texts.translated, totals.texts.total,
                PercentText(TranslatedPercent(totals.texts)), totals.texts.untranslated, totals.texts.missing);
}
