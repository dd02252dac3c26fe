// Shared by the pack-building tests: the sample install compiled from its
// .rc sources under sample/install, and readers of the archives made.
#pragma once

#include <map>
#include <string>

namespace lgp_support {

// Copies the compiled sample install to `dest` (compiled once per run).
// Every <name>.rc becomes the module <name>; windres compiles the sources
// that use MENUEX, llvm-rc the rest. Other files are copied as they are.
bool CopySampleInstall(const std::string& dest);

// "method name" for every entry of the archive, in archive order
// (zipinfo's short listing: stor, or defX for deflate at level 9).
std::string Entries(const std::string& archive);
// True when unzip tests every entry without errors (its warning about the
// backslash separators, which packs use on purpose, is allowed).
bool ArchiveTestsClean(const std::string& archive);
// The bytes of one entry ("\" in the name as stored).
std::string EntryBytes(const std::string& archive, const std::string& name);

// The archive's bytes with every entry's modification time and date (local
// header and central directory) set to zero, so that archives of files
// written at different times compare equal when nothing else differs.
std::string WithoutTimes(const std::string& archive);

// Every file of a folder tree by its path below `folder` ("/" between
// folders), archives (.lgp, .zip) without their entry times.
std::map<std::string, std::string> FolderFiles(const std::string& folder);

// The GUID the default pack list gives a module, from resources/lgp_list.ini.
std::string DefaultGuid(const std::string& module);

}  // namespace lgp_support
