// Path resolution, output folders, folder-variable expansion, temporary
// names and whole-buffer writes. Paths are growable: nothing is ever cut.
#pragma once

#include <span>
#include <string_view>

#include "driver/console_output.h"
#include "driver/tokenizer.h"
#include "text/text.h"

enum class ResolveMode { Loud, Quiet };
enum class OutputKind { LangFiles, Diffs, Checks, Po };

// Cleans the path in place (blanks, one pair of enclosing quotes), makes a
// relative path absolute against the current directory when that exists,
// and reports whether the path exists. In loud mode a missing path prints
// the relative- or absolute-path message; the caller then ends the run (a
// run whose messages are closed resolves quietly).
bool ResolvePath(WString& path, ResolveMode mode);

// The folder of the tool's own executable, without a trailing separator.
WString GetModuleFolder();

// Reads a "/folder=" token at the cursor into `out` (resolved quietly) and
// returns the cursor after it; otherwise fills `out` with the default folder
// under `base` (or the tool's folder when `base` is null) and returns the
// cursor unchanged.
Cursor SelectOutputFolder(Cursor cursor, WString& out, const WString* base, OutputKind kind);

// Creates the folder when missing ("Successfully created `%s'"). Returns
// false after "Unable to create `%s', aborting" when it cannot; `existed`
// tells whether the folder was there before.
bool EnsureOutputFolder(const Messages& messages, const WString& folder, bool& existed);

// Whether the output folder has a place: an absolute one always, a relative
// one while there is a working folder it belongs to. False after "Unable to
// create `%s', aborting" when the working folder was deleted under the run.
bool CanPlaceOutputFolder(const Messages& messages, const WString& folder);

// {n} special folders and %NAME% environment variables.
WString ExpandFolderVariables(WStringView input);

// prefix + "LNG" + seven hexadecimal digits + ".tmp".
WString MakeTempFolderName(const WString& prefix);

// Writes the bytes (at the start, or at the end with append) and ends the
// file after them. Failures are silent, as callers find out when they use
// the file; the result is there for those that want it.
bool WriteBufferToFile(const WString& path, std::span<const uint8_t> bytes, bool append);
bool WriteBufferToFile(const WString& path, std::string_view narrow, bool append);
