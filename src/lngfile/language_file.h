// The language file builder and the settings its walk reads.
#pragma once

#include <string>

#include "platform/resources.h"
#include "platform/text.h"

extern bool g_specialBuild;  // "/special": version info and RCDATA too
extern bool g_menuexFixed;   // set when the MENUEX fix changed an identifier

// One walk over a module's resources: a copy walk (update set) writes them
// into a language file, a hash walk (hash text set) collects the hash lines.
struct BuildContext {
  std::string pendingHeader;           // "#%d\n" of the numbered type entered, until its first line
  ResourceUpdate* update = nullptr;    // copy walk
  std::string* hashText = nullptr;     // hash walk: the lines, in file order
};

// Writes folder/base.lng: the stub module with the module's eligible
// resources copied in (language 0x0400). 1 on success, 0 on failure.
int BuildLanguageFile(const WString& modulePath, const WString& outputFolder, const WString& base);

// The pack builder's per-module step: asks the pack list, writes the hash
// file and the language file. 1 when a language file was generated.
int GenerateLanguageFile(const WString& modulePath, const WString& fileName, const WString& outputFolder,
                         const WString& displayName);

// Whether the walk copies (and hashes) resources of this type.
bool IsEligibleType(const ResId& type);

// Every eligible type in enumeration order, every name of it: CopyResource
// in a copy walk, HashResource in a hash walk.
void WalkModuleResources(const Module& module, BuildContext& context);

// The default-language copy of the resource, rebuilt when a conversion
// mode is set, written into the update in language 0x0400.
void CopyResource(ResourceUpdate& update, const Module& module, const ResId& type, const ResId& name);
