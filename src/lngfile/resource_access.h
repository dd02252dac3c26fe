// The resource access layer all commands share: modules read from disk and
// opened as data, resources found with the tool's language policy, probed
// and removed, and resource updates of files begun and committed.
#pragma once

#include "driver/console_output.h"
#include "pe/resources.h"

// Null when the file cannot be read (the file layer's error) or is no PE
// module (error 193, ERROR_BAD_EXE_FORMAT).
ModulePtr OpenModule(const WString& path);

// BeginUpdateResourceW: null with the error set when the update cannot
// begin: the file cannot be read (the file layer's error), cannot be opened
// for writing (5: a read-only file, as BeginUpdateResourceW opens the file
// for writing at begin), or the engine refuses it (PeError).
ResourceUpdatePtr BeginResourceUpdate(const WString& path);
// EndUpdateResourceW: builds the new file and replaces the old one only
// when it is whole. On failure the file is as it was and the Windows error
// code is set (GetLastErrorCode). The update is consumed either way. The
// new file is synced before and after the rename.
bool CommitResourceUpdate(ResourceUpdatePtr update);

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
