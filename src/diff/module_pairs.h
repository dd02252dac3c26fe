// The modules of an install and their counterparts, and a pack unpacked into
// a temporary folder to find them in. Shared by the commands that read an
// install against a pack or a folder of language files.
#pragma once

#include <vector>

#include "pack/extract.h"
#include "text/text.h"

// Where a module's counterpart is looked for.
enum class CounterpartLayout {
  // "<stem>.lng" at the root of the folder, whatever folder of the install
  // the module is in (an unpacked pack, a folder of language files).
  LanguageFiles,
  // The same name in the same folder of the other install.
  SameRelativePath,
};

struct ModulePair {
  WString install;          // the module
  WString relative;         // its path relative to the install, "/" between folders
  WString counterpart;      // where its counterpart was looked for
  WString counterpartFile;  // the file found there, whatever its letter case; empty when none exists
};

// True for the file names whose modules are paired: .exe, .dll and .nxs
// (case-insensitive).
bool IsPairedModuleName(WStringView name);

// Every .exe, .dll and .nxs of the install's root, plugins and system
// folders (the last two found whatever their letter case), in that order,
// each folder in listing order; folders and links to folders are passed
// over. A module without a counterpart is listed with an empty
// `counterpartFile`.
std::vector<ModulePair> ListInstallModules(const WString& installFolder, const WString& counterpartFolder,
                                           CounterpartLayout layout);

// A temporary folder that is removed with everything in it however the run
// ends. A folder of the same name that existed already is neither filled
// nor removed.
struct UnpackFolder {
  WString path;
  bool created = false;
  UnpackFolder() = default;
  UnpackFolder(const UnpackFolder&) = delete;
  UnpackFolder& operator=(const UnpackFolder&) = delete;
  ~UnpackFolder();
};

// Creates a new temporary folder under the system's temporary path (its
// name in `folder.path`, whether or not it could be made) and unpacks the
// pack into it with the extraction's limits and name checks. True when the
// pack was opened and unpacked (entries the extraction refused are told by
// it); `whole`, when given, whether the extraction went through every entry
// rather than ending at a damaged one. The working folder is the one of the
// start again afterwards.
bool UnpackPack(const WString& pack, UnpackFolder& folder, const ExtractLimits& limits = {}, bool* whole = nullptr);
