// The pack builder's flow, shared by /lgp and /po_import.
#pragma once

#include "driver/console_output.h"
#include "driver/tokenizer.h"
#include "lngfile/language_file.h"
#include "text/text.h"

// The host executable's file version as "a_b_c_d", or "_no_version_".
WString HostVersionOf(const WString& installFolder);

// /lgp from its tail on: the language files of the install's listed
// modules, the pack and the hash zip. With `translate` the texts it gives
// replace the modules' own, and no spelling conversion is made.
void BuildPackFromInstall(const Messages& messages, const WString& installFolder, Cursor tail,
                          const TranslateModule& translate);
