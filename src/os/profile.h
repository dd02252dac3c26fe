// Profile (INI) files: GetPrivateProfileStringW and
// WritePrivateProfileStringW over the INI document (text/ini_document.h).
#pragma once

#include <vector>

#include "text/ini_document.h"
#include "text/text.h"

// False when the file cannot be read (an empty document results).
bool LoadProfile(const WString& path, ProfileDocument& doc);

// One-call forms over the file on disk.
std::vector<WString> GetProfileSectionNames(const WString& path);
std::vector<WString> GetProfileKeyNames(const WString& path, WStringView section);
bool GetProfileValue(const WString& path, WStringView section, WStringView key, WString& value);
// False when the file cannot be read or written (it is then unchanged).
bool WriteProfileValue(const WString& path, WStringView section, WStringView key, WStringView value);
