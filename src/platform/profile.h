// Profile (INI) files with the Windows semantics the tool relies on
// (GetPrivateProfileStringW, WritePrivateProfileStringW): section and key
// names compared case-insensitively; blanks around names and values dropped;
// one pair of enclosing quotes removed from a value; listings in file order;
// a write replaces the first matching key in place, appends a missing key at
// the end of its section and a missing section at the end of the file,
// creates a missing file, and keeps every other byte. A file that starts
// with the UTF-16LE byte order mark is UTF-16LE; any other is UTF-8 when
// valid, else Windows-1252; it is written back in the encoding it was read
// in. A new file is Windows-1252 with CR LF.
#pragma once

#include <vector>

#include "platform/text.h"

// A file read once, for callers that look up many values.
struct ProfileDocument {
  struct Entry {
    WString key;
    WString value;
  };
  struct Section {
    WString name;
    std::vector<Entry> entries;
  };
  std::vector<Section> sections;
};

// False when the file cannot be read (an empty document results).
bool LoadProfile(const WString& path, ProfileDocument& doc);
std::vector<WString> ProfileSectionNames(const ProfileDocument& doc);
std::vector<WString> ProfileKeyNames(const ProfileDocument& doc, WStringView section);
// False when the section or key is missing.
bool ProfileValue(const ProfileDocument& doc, WStringView section, WStringView key, WString& value);

// One-call forms over the file on disk.
std::vector<WString> GetProfileSectionNames(const WString& path);
std::vector<WString> GetProfileKeyNames(const WString& path, WStringView section);
bool GetProfileValue(const WString& path, WStringView section, WStringView key, WString& value);
bool WriteProfileValue(const WString& path, WStringView section, WStringView key, WStringView value);
