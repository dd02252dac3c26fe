// The zip writer (over minizip): packs and hash zips. One archive is written
// by one session: the archive is opened once, with the first entry, under a
// working name beside it, takes every entry the walks add, and replaces the
// file of its own name only when ZipFinish finds it sound. A file that cannot
// be zipped is left out (or left empty) after the writer's message and the
// archive goes on; only a failure of the archive itself (its creation, a
// write, its close) keeps it from replacing anything. Messages name the
// archive the caller asked for, never the working file; they are narrow and
// never silenced.
#pragma once

#include <minizip/zip.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "driver/console_output.h"
#include "text/text.h"

struct ZipSession {
  WString archive;        // the file the caller asked for
  WString working;        // the file being written; empty until the first entry
  zipFile zip = nullptr;  // open from the first entry until ZipFinish
  int entryCount = 0;     // entries added whole
  bool damaged = false;   // a write or close failed: the archive is unsound
  bool openFailed = false;  // the archive could not be created for an entry
  bool skipped = false;   // a file was refused or not added whole
  std::vector<uint8_t> readBuffer;  // each file read from disk, reused
  // Where the session's messages go instead of the console while it is
  // written on a thread of its own, for the caller to tell at their place.
  HeldMessages* held = nullptr;

  ZipSession() = default;
  explicit ZipSession(WString archiveName) : archive(std::move(archiveName)) {}
  ZipSession(const ZipSession&) = delete;
  ZipSession& operator=(const ZipSession&) = delete;
  // A session left unfinished takes its working file away again.
  ~ZipSession();
};

// Bytes the caller already holds for files a walk will find, keyed by the
// path the walk makes (JoinPath of the walked folder and the name). A file
// found here is zipped from these bytes instead of being read again; its
// time still comes from the file.
using ZipFileContents = std::unordered_map<WString, std::vector<uint8_t>>;

// An entry's data deflated ahead of its turn, on any thread, exactly as the
// writer deflates it (level 9, in the same pieces): the archive takes these
// bytes as they stand and comes out the same as if it had deflated them.
struct DeflatedEntry {
  std::vector<uint8_t> data;  // the raw deflate stream
  uint32_t crc = 0;           // CRC-32 of the uncompressed bytes
  uint64_t size = 0;          // uncompressed size
  bool text = false;          // zlib took the data for text (internal attribute 1)
};
// False in `ok` when zlib failed (no memory): the entry is then deflated
// by the writer itself.
DeflatedEntry DeflateForZip(std::span<const uint8_t> bytes, bool& ok);

// Deflated data for files a walk will find, keyed like ZipFileContents;
// used only where the walk compresses.
using ZipDeflatedContents = std::unordered_map<WString, DeflatedEntry>;

// Says whether a file a walk found (its path as the walk makes it) may go
// into the archive; one it refuses is passed over, and the caller tells why.
using ZipAdmit = std::function<bool(const WString& path)>;

// Adds the files of `folder` (recursively, subfolders filtered by the same
// pattern) that match `pattern` ("*.*" when empty), with entry names
// relative to `nameBase` and "\" between folders. A link to a file is
// zipped as that file; a link to a folder is never entered, and named. The
// archive being written (its working file, or the file it replaces) is
// never one of its own entries. A file found in `deflated` (with
// `compress`) or else in `contents` is not read; with `admit`, only the
// files it admits are zipped.
void ZipAddFolder(ZipSession& session, const WString& folder, const WString& nameBase, const WString& pattern,
                  bool compress, const ZipFileContents* contents = nullptr,
                  const ZipDeflatedContents* deflated = nullptr, const ZipAdmit& admit = {});

// Whether the archive itself is sound so far: created whenever an entry
// needed it, every write and close done. Files left out do not count.
inline bool ZipSound(const ZipSession& session) { return !session.damaged && !session.openFailed; }
// Whether, besides, every entry the walks offered went in whole.
inline bool ZipComplete(const ZipSession& session) { return ZipSound(session) && !session.skipped; }

enum class ZipResult {
  NoEntries,  // no entry was ever begun: no file was made, the old one stays
  Written,    // the archive is sound (and, after ZipFinish, has its own name)
  Failed,     // the archive is unsound or could not be created, closed or
              // renamed: the working file is gone and the file of its name stays
};

// Closes the archive; an unsound one is deleted, after the writer's message.
// A written archive keeps its working name until ZipPublish.
ZipResult ZipClose(ZipSession& session);
// Renames the closed archive over `session.archive`. An archive that
// replaces one is synced first and the rename after it, so a crash leaves
// the old archive or the whole new one; a new archive replaces nothing and
// is not synced. False (after the writer's message, the working file
// deleted) when that fails.
bool ZipPublish(ZipSession& session);
// ZipClose, then ZipPublish of a written archive.
ZipResult ZipFinish(ZipSession& session);
// Closes and deletes the working file; the file of the archive's name stays.
void ZipAbandon(ZipSession& session);

// The file's last-write time in local time, DOS date in the high 16 bits and
// time in the low 16 bits. True when found.
bool GetDosFileTime(const WString& path, uint32_t& dosDateOut);
