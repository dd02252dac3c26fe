// The pack list lgp_list.ini beside the tool: which modules are
// language-enabled, each with the GUID it carries as string 65535.
#pragma once

#include "platform/text.h"

// 1 when the module is listed and its string 65535 equals the listed GUID.
int IsModuleListed(const WString& modulePath, const WString& fileName);
// Merges the tool's default list into the file, once per run.
void VerifyPackList(const WString& packListPath);
