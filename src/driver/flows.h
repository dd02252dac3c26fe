// The command flows the dispatcher hands a run to. Paths are resolved;
// cursors point into the command line; `messages` is the run's message gate.
#pragma once

#include "driver/console_output.h"
#include "driver/tokenizer.h"
#include "text/text.h"

// /build: module file, its folder, file name and base name; the tail (T3).
void BuildCommand(const Messages& messages, const WString& modulePath, const WString& folder, const WString& name,
                  const WString& base, Cursor tail);
// /zipup: the path as resolved; the tail (output pack, then /enum).
void ZipupCommand(const Messages& messages, const WString& path, Cursor tail);
// /lgp: the install folder; name and base (both the whole path); the tail.
void LgpCommand(const Messages& messages, const WString& installFolder, const WString& name, const WString& base,
                Cursor tail);
// /clear: the file.
void ClearCommand(const Messages& messages, const WString& file);
// /clean: the folder.
void CleanCommand(const Messages& messages, const WString& folder);
// /ini_tx: the language file and the resolved INI path.
void IniTxCommand(const Messages& messages, const WString& languageFile, const WString& iniPath);
// /diff: the install folder, the resolved comparison target, the cursor at T4.
void DiffCommand(const Messages& messages, const WString& installFolder, const WString& target, Cursor options);
// /check: the install folder, the resolved pack or folder of language
// files, the cursor after it. Returns the exit code: 1 when an error was
// found or the check could not be done, else 0.
int CheckCommand(const Messages& messages, const WString& installFolder, const WString& target, Cursor options);
// /po_export: the install folder; the tail (optional pack or folder, then /folder=).
void PoExportCommand(const Messages& messages, const WString& installFolder, Cursor tail);
// /po_import: the install folder; the tail (folder of PO files, then /lgp's tail).
void PoImportCommand(const Messages& messages, const WString& installFolder, Cursor tail);
