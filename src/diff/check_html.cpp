#include "diff/check_html.h"

#include <algorithm>

#include "diff/check_console.h"
#include "diff/text_checks.h"
#include "text/format.h"

namespace {

const char kStyle[] =
    "body{font-family:system-ui,sans-serif;margin:1.5em;color:#1d1d1f;background:#fff}"
    "h1{font-size:1.5em}h2{font-size:1.2em;margin-top:1.5em}"
    "table{border-collapse:collapse}th,td{border:1px solid #ccc;padding:.25em .5em;text-align:left;"
    "vertical-align:top}th{background:#f2f2f2}"
    "td.num{text-align:right}"
    ".bar{display:inline-block;width:12em;height:.8em;background:#e4e4e4;vertical-align:middle}"
    ".fill{height:100%;background:#3b8c3b}"
    "tr.error td.severity{color:#fff;background:#b3261e}"
    "tr.warning td.severity{background:#f5c542}"
    ".text{font-family:ui-monospace,monospace;white-space:pre-wrap}"
    "span.conv{background:#d9e8ff;border-radius:2px}"
    "mark.hotkey{background:#ffe08a;text-decoration:underline}"
    "span.ctl{color:#888}";

void AppendEscaped(std::string& out, char16_t c) {
  switch (c) {
    case u'&': out += "&amp;"; break;
    case u'<': out += "&lt;"; break;
    case u'>': out += "&gt;"; break;
    case u'"': out += "&quot;"; break;
    case u'\'': out += "&#39;"; break;
    default: out += WideToUtf8(WStringView(&c, 1));
  }
}

// Escaped text; a surrogate pair stays one character.
std::string Escape(WStringView text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      out += WideToUtf8(text.substr(i, 2));
      ++i;
    } else if (c < 0x20 || c == 0x7F) {
      // Control characters have no place in a page: shown by name or code.
      const WString shown = c == u'\r' ? u"\\r" : c == u'\n' ? u"\\n" : c == u'\t' ? u"\\t" : Format(u"\\x%02x", c);
      out += "<span class=\"ctl\">" + WideToUtf8(shown) + "</span>";
    } else {
      AppendEscaped(out, c);
    }
  }
  return out;
}

std::string Cell(const std::string& html, const char* cls = nullptr) {
  return cls ? "<td class=\"" + std::string(cls) + "\">" + html + "</td>" : "<td>" + html + "</td>";
}

std::string Number(uint32_t n) { return std::to_string(n); }

std::string Percent(const TextCounts& texts) { return WideToUtf8(PercentText(TranslatedPercent(texts))) + "%"; }

std::string SummaryTable(const CheckReport& report) {
  const CheckTotals& t = report.totals;
  return "<table id=\"summary\">"
         "<tr><th>Modules</th>" + Cell(Number(t.modules), "num") + "</tr>"
         "<tr><th>Errors</th>" + Cell(Number(t.errors), "num") + "</tr>"
         "<tr><th>Warnings</th>" + Cell(Number(t.warnings), "num") + "</tr>"
         "<tr><th>Translated</th>" + Cell(Percent(t.texts) + " of " + Number(t.texts.total) + " texts", "num") +
         "</tr>"
         "<tr><th>Untranslated</th>" + Cell(Number(t.texts.untranslated), "num") + "</tr>"
         "<tr><th>Missing</th>" + Cell(Number(t.texts.missing), "num") + "</tr>"
         "</table>\n";
}

std::string ModuleTable(const CheckReport& report) {
  std::string html =
      "<table id=\"modules\"><tr><th>Module</th><th>Language file</th><th>Translated</th><th>Texts</th>"
      "<th>Errors</th><th>Warnings</th></tr>\n";
  for (const ModuleCheck& module : report.modules) {
    uint32_t errors = 0, warnings = 0;
    for (const Finding& finding : module.findings) ++(finding.severity() == Severity::Error ? errors : warnings);
    const std::string percent = Percent(module.texts);
    html += "<tr>" + Cell(Escape(module.module)) +
            Cell(module.languageFile.empty() ? "<em>none</em>" : Escape(module.languageFile)) +
            Cell("<span class=\"bar\"><span class=\"fill\" style=\"display:block;width:" + percent +
                 "\"></span></span> " + percent) +
            Cell(Number(module.texts.total), "num") + Cell(Number(errors), "num") + Cell(Number(warnings), "num") +
            "</tr>\n";
  }
  return html + "</table>\n";
}

std::string FindingRow(const ModuleCheck& module, const Finding& finding) {
  const std::string severity = WideToUtf8(SeverityName(finding.severity()));
  const bool hotkeys = finding.place.resource == CheckedResource::Menu || finding.place.resource == CheckedResource::Dialog;
  return "<tr class=\"" + severity + "\">" + Cell(severity, "severity") +
         Cell(WideToUtf8(CheckName(finding.check))) + Cell(Escape(module.module)) +
         Cell(Escape(FindingPlaceText(finding.place))) + Cell(Escape(finding.message)) +
         Cell(finding.source ? HighlightedText(*finding.source, hotkeys) : std::string(), "text source") +
         Cell(finding.translation ? HighlightedText(*finding.translation, hotkeys) : std::string(), "text translation") +
         "</tr>\n";
}

std::string FindingTable(const CheckReport& report) {
  std::string rows;
  for (const Severity severity : {Severity::Error, Severity::Warning})
    for (const ModuleCheck& module : report.modules)
      for (const Finding& finding : module.findings)
        if (finding.severity() == severity) rows += FindingRow(module, finding);
  if (rows.empty()) return "<p id=\"findings\">No findings.</p>\n";
  return "<table id=\"findings\"><tr><th>Severity</th><th>Check</th><th>Module</th><th>Where</th><th>Message</th>"
         "<th>Source</th><th>Translation</th></tr>\n" +
         rows + "</table>\n";
}

}  // namespace

std::string HighlightedText(WStringView text, bool markHotkeys) {
  const std::vector<Conversion> conversions = PrintfConversions(text);
  const std::vector<size_t> hotkeys = markHotkeys ? Hotkeys(text).positions : std::vector<size_t>();
  std::string out;
  size_t i = 0, nextConversion = 0, nextHotkey = 0;
  while (i < text.size()) {
    if (nextConversion < conversions.size() && conversions[nextConversion].offset == i) {
      const Conversion& c = conversions[nextConversion++];
      out += "<span class=\"conv\">" + Escape(c.Written(text)) + "</span>";
      i += c.length;
      continue;
    }
    // Marked letters after a conversion started at them are not marked.
    while (nextHotkey < hotkeys.size() && hotkeys[nextHotkey] < i) ++nextHotkey;
    if (nextHotkey < hotkeys.size() && hotkeys[nextHotkey] == i) {
      const bool pair = text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size();
      const size_t length = pair ? 2 : 1;
      out += "<mark class=\"hotkey\">" + Escape(text.substr(i, length)) + "</mark>";
      i += length;
      ++nextHotkey;
      continue;
    }
    size_t end = i + 1;
    while (end < text.size() && (nextConversion >= conversions.size() || conversions[nextConversion].offset != end) &&
           (nextHotkey >= hotkeys.size() || hotkeys[nextHotkey] != end))
      ++end;
    out += Escape(text.substr(i, end - i));
    i = end;
  }
  return out;
}

std::string CheckHtml(const CheckReport& report) {
  const std::string install = Escape(report.install), against = Escape(report.against);
  return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
         "<title>Translation check of " + install + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n"
         "<h1>Translation check</h1>\n<p id=\"paths\">Install <code>" + install + "</code> against <code>" +
         against + "</code></p>\n<h2>Summary</h2>\n" + SummaryTable(report) + "<h2>Modules</h2>\n" +
         ModuleTable(report) + "<h2>Findings</h2>\n" + FindingTable(report) + "</body>\n</html>\n";
}
