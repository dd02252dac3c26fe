#include "diff/check_json.h"

#include <nlohmann/json.hpp>

namespace {

// Keys in the order the schema lists them, so the file reads as documented.
using Json = nlohmann::ordered_json;

Json Text(const WString& text) { return WideToUtf8(text); }

template <class T>
Json OrNull(const std::optional<T>& value) {
  return value ? Json(*value) : Json(nullptr);
}

Json OptionalText(const std::optional<WString>& text) { return text ? Text(*text) : Json(nullptr); }

Json ResourceId(const std::optional<ResId>& id) {
  if (!id) return nullptr;
  return id->isName ? Text(id->name) : Json(id->id);
}

Json FindingJson(const Finding& finding) {
  return Json{{"severity", WideToUtf8(SeverityName(finding.severity()))},
              {"check", WideToUtf8(CheckName(finding.check))},
              {"resource", WideToUtf8(ResourceName(finding.place.resource))},
              {"id", ResourceId(finding.place.id)},
              {"item", OrNull(finding.place.item)},
              {"index", OrNull(finding.place.index)},
              {"source", OptionalText(finding.source)},
              {"translation", OptionalText(finding.translation)},
              {"message", Text(finding.message)}};
}

Json ModuleJson(const ModuleCheck& module) {
  Json findings = Json::array();
  for (const Finding& finding : module.findings) findings.push_back(FindingJson(finding));
  return Json{{"module", Text(module.module)},
              {"language_file", module.languageFile.empty() ? Json(nullptr) : Text(module.languageFile)},
              {"texts",
               {{"total", module.texts.total},
                {"translated", module.texts.translated},
                {"untranslated", module.texts.untranslated},
                {"missing", module.texts.missing}}},
              {"findings", std::move(findings)}};
}

}  // namespace

std::string CheckJson(const CheckReport& report) {
  Json modules = Json::array();
  for (const ModuleCheck& module : report.modules) modules.push_back(ModuleJson(module));
  const Json json{{"install", Text(report.install)},
                  {"against", Text(report.against)},
                  {"modules", std::move(modules)},
                  {"summary",
                   {{"modules", report.totals.modules},
                    {"errors", report.totals.errors},
                    {"warnings", report.totals.warnings},
                    {"translated_percent", TranslatedPercent(report.totals.texts)}}}};
  // Texts come from untrusted files: anything that is no UTF-8 after the
  // conversion is replaced rather than ending the run.
  return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}
