// The pack list lgp_list.ini beside the tool: which modules are
// language-enabled, each with the GUID it carries as string 65535. A run
// reads it once and looks every module up in that reading.
#pragma once

#include "driver/console_output.h"
#include "os/profile.h"
#include "text/text.h"

struct PackList {
  WString path;
  ProfileDocument entries;
  // The list was missing and this run made it from the default list: the
  // next query (the run's second) is the one that verifies it.
  bool verifyAtNextQuery = false;
};

// The first query of a run: an existing list is verified (with its message)
// and read; a missing one is written from the tool's default list.
PackList OpenPackList(const Messages& messages, const WString& toolFolder);
// A later query: verifies a list that the first query made.
void QueryPackList(const Messages& messages, PackList& packList);

// The value the first section listing the file gives (Native, Custom,
// Bonus Bundle; an empty value counts as missing); empty when none does.
WString ListedGuid(const PackList& packList, WStringView fileName);

// Merges the tool's default list into the file (adding and overwriting
// keys, keeping the others), printing the verification line.
void VerifyPackList(const Messages& messages, const WString& packListPath);
