// The zip writer (over minizip): packs and hash zips.
#pragma once

#include "platform/text.h"

// Adds the files of `folder` (recursively, subfolders filtered by the same
// pattern) that match `pattern` ("*.*" when empty) to `archive`, with entry
// names relative to `nameBase` and "\" between folders. The first entry
// after a switch to another archive name creates the archive.
void ZipAddFolder(const WString& folder, const WString& archive, const WString& nameBase, const WString& pattern,
                  bool compress);
