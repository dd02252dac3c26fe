// Unpacking a language pack into a folder, keeping the paths stored in the
// archive (over minizip's unzip). Every message is narrow text printed
// straight to standard output, whatever "/nomsgs" says.
#pragma once

#include <cstdint>

#include <minizip/unzip.h>

#include "platform/text.h"

// Opens the archive, makes the target folder the working folder and unpacks
// every entry into it. 0 when the archive was opened and the folder entered
// (whatever happened to the entries), 1 otherwise. The working folder stays
// changed: the caller restores it when it is done.
int ExtractArchive(const WString& archive, const WString& targetFolder);

// Walks the entries in archive order; an entry that fails ends the walk.
// Always 0.
int ExtractAllEntries(unzFile archive);

// Unpacks the current entry under its stored name, relative to the working
// folder. 0, or the minizip error that ends the walk.
int ExtractCurrentEntry(unzFile archive);

// Creates every missing folder of `path` ("\" and "/" both separate). 0 when
// the path is empty or a folder cannot be made because its parent is missing.
int MakeDirectoryPath(const WString& path);

// Gives the file the entry's MS-DOS date (high 16 bits) and time (low 16
// bits), local time, as its last-write time.
void SetExtractedFileTime(const WString& path, uint32_t dosDate);

// True when the stored name stays inside the target folder: not absolute, no
// drive letter, no ".." component.
bool IsContainedEntryName(WStringView name);
