// Removal of stale outputs (a stem's .txt and .lng) from a working folder.
#pragma once

#include "driver/console_output.h"
#include "os/files.h"
#include "text/text.h"

// Deletes folder/stem.txt and folder/stem.lng where present, retrying a
// read-only file once its read-only attribute is cleared. Returns false
// when a read-only file could still not be deleted.
bool DeleteBuildOutputs(const Messages& messages, const WString& folder, const WString& stem, bool quiet);

// DeleteBuildOutputs, quietly, for the stem of every file in the folder
// (a name that is no folder here is taken as a folder beside the tool),
// after the working files a killed run left there. With `spares`, the
// files removed are kept there for the run's new files. The caller holds
// the folder's lock where it can be had.
void CleanWorkingFolder(const Messages& messages, const WString& folder, SpareFiles* spares = nullptr);

