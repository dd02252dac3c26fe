// Removal of stale outputs (a stem's .txt and .lng) from a working folder.
#pragma once

#include <initializer_list>

#include "driver/console_output.h"
#include "text/text.h"

// Deletes folder/stem.txt and folder/stem.lng where present, retrying a
// read-only file once its read-only attribute is cleared. Returns false
// when a read-only file could still not be deleted.
bool DeleteBuildOutputs(const Messages& messages, const WString& folder, const WString& stem, bool quiet);

// DeleteBuildOutputs, quietly, for the stem of every file in the folder
// (a name that is no folder here is taken as a folder beside the tool),
// after the working files a killed run left there beside language files,
// hash text files and reports, packs and hash zips. The caller holds the
// folder's lock where it can be had.
void CleanWorkingFolder(const Messages& messages, const WString& folder);

// Removes the working files that a run killed before its end left in the
// folder beside files with one of `extensions` (".lng"): only names exactly
// as the tool makes them (WorkingFileStem), so that a user's
// "backup.zip.2024.tmp" stays. The caller holds the folder's lock, so no
// live run is writing them.
void RemoveLeftoverWorkingFiles(const WString& folder, std::initializer_list<WStringView> extensions);
