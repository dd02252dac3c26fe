// The resource access layer all commands share: modules opened as data,
// resources found with the tool's language policy, probed and removed.
#pragma once

#include "driver/console_output.h"
#include "pe/resources.h"

// LoadLibraryExW(LOAD_LIBRARY_AS_DATAFILE): null when the file is no module.
ModulePtr LoadModuleAsData(const WString& path);

// Without `lang`: the default-language copy (FindResourceW). With `lang`:
// the first language listed for the name replaces *lang unless it is 0;
// that language is looked up exactly (FindResourceExW), falling back to the
// default choice. `foundLang`, when given, receives the language of the
// copy actually returned.
bool FindResourceData(const Module& module, const ResId& type, const ResId& name, uint16_t* lang, ByteSpan& data,
                      uint16_t* foundLang = nullptr);

// Opens the file, finds the resource with the rule above and releases the
// file again. `lang` follows the probe rule; `foundLang` (when given) is the
// language of the copy that exists.
bool ProbeResource(const WString& path, const ResId& type, const ResId& name, uint16_t& lang,
                   uint16_t* foundLang = nullptr);

// Removes one language of the resource from the file: the language the
// probe found. True when removed and committed; prints the failure message
// when the commit fails.
bool RemoveResource(const Messages& messages, const WString& path, const ResId& type, const ResId& name);

// The text of a type or name for messages: the number in decimal or the name.
WString ResIdText(const ResId& id);
