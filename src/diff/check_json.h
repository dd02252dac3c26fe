// check.json: the findings of a /check run for scripts and CI jobs, UTF-8.
#pragma once

#include <string>

#include "diff/check_findings.h"

// {"install", "against", "modules": [{"module", "language_file", "texts":
// {"total", "translated", "untranslated", "missing"}, "findings":
// [{"severity", "check", "resource", "id", "item", "index", "source",
// "translation", "message"}]}], "summary": {"modules", "errors",
// "warnings", "translated_percent"}}. A resource id is a number, or the
// resource's name when it has one; "id" of a string is the string's id.
std::string CheckJson(const CheckReport& report);
