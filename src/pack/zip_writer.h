// The zip writer (over minizip): packs and hash zips. Every file is added by
// opening the archive, writing one entry and closing the archive again; the
// writer state remembers which archive is being written and how many entries
// it holds, so that the first entry after a switch creates the archive
// (replacing any file of that name) and later entries are appended. Its
// messages are narrow and never silenced.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/text.h"

extern WString g_zipArchiveName;
extern int g_zipEntryCount;
// Set when a write, an entry's close or the archive's close failed: the
// archive being written may be cut short and is not to be used.
extern bool g_zipDamaged;

// Adds the files of `folder` (recursively, subfolders filtered by the same
// pattern) that match `pattern` ("*.*" when empty) to `archive`, with entry
// names relative to `nameBase` and "\" between folders. The first entry
// after a switch to another archive name creates the archive.
void ZipAddFolder(const WString& folder, const WString& archive, const WString& nameBase, const WString& pattern,
                  bool compress);

// Adds one file as one entry: deflated at level 9 with `compress`, else
// stored. `append` 0 creates the archive, anything else adds to it. `name`
// is the entry name (Windows-1252, "\" between folders); empty means the
// file's own name. Files are opened by their native paths. Returns 0.
int ZipAddFile(bool compress, const WString& archive, const WString& file, int append, std::string_view name);

// The file's last-write time in local time, DOS date in the high 16 bits and
// time in the low 16 bits. 1 when found, else 0.
int GetDosFileTime(const WString& path, uint32_t& dosDateOut);

// An archive is written under a working name beside it and takes its own
// name only when it is whole, so a run cut short leaves no finished-looking
// archive. StartWorkingArchive gives that name, deleting what a run cut short
// left there. FinishWorkingArchive renames the working file over `archive`
// (true), or deletes it when it is damaged or cannot take the name (false,
// after the writer's message).
WString StartWorkingArchive(const WString& archive);
bool FinishWorkingArchive(const WString& working, const WString& archive);
