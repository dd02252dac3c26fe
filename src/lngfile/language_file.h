// The language file builder and the settings its walk reads.
#pragma once

#include "platform/resources.h"
#include "platform/text.h"

extern bool g_specialBuild;    // "/special": version info and RCDATA too
extern bool g_menuexFixed;     // set when the MENUEX fix changed an identifier

// Writes folder/base.lng: the stub module with the module's eligible
// resources copied in (language 0x0400). 1 on success, 0 on failure.
int BuildLanguageFile(const WString& modulePath, const WString& outputFolder, const WString& base);

// The pack builder's per-module step: asks the pack list, writes the hash
// file and the language file. 1 when a language file was generated.
int GenerateLanguageFile(const WString& modulePath, const WString& fileName, const WString& outputFolder,
                         const WString& displayName);

// Whether the walk copies (and hashes) resources of this type.
bool IsEligibleType(const ResId& type);
