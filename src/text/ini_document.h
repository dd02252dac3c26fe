// The INI document: INI text parsed and rewritten on bytes, with the Windows
// semantics the tool relies on (GetPrivateProfileStringW,
// WritePrivateProfileStringW; os/profile.h serves those over files): section and key
// names compared case-insensitively; blanks around names and values dropped;
// one pair of enclosing quotes (double or single) removed from a value;
// listings in file order; a write replaces the first matching key's value in
// place, appends a missing key at the end of its section and a missing
// section at the end of the file, creates a missing file, and keeps every
// other byte. A file that starts with the UTF-16LE byte order mark is
// UTF-16LE; any other is UTF-8 when valid, else Windows-1252; it is written
// back in the encoding it was read in. A new file is Windows-1252 with CR LF.
//
// Lines starting with ';' are comments; a line "[name]" opens a section (the
// name runs to the line's last ']'); any other line is a key, with its value
// after the first '=' (a key without '=' has an empty value). Lines before
// the first section belong to no section and are never found.
#pragma once

#include <cstddef>
#include <unordered_map>
#include <vector>

#include <cstdint>
#include <span>
#include <string>
#include "text/text.h"

// A document read once, for callers that look up many values. Sections and
// entries are in file order, duplicates included; lookups take the first.
struct ProfileDocument {
  struct Entry {
    WString key;
    WString value;
  };
  struct Section {
    WString name;
    std::vector<Entry> entries;
    // Upper-cased key -> index of its first entry, so lookups stay fast in
    // files with tens of thousands of keys.
    std::unordered_map<WString, size_t> keyIndex;
  };
  std::vector<Section> sections;
  // Upper-cased section name -> index of its first section.
  std::unordered_map<WString, size_t> sectionIndex;
};

// Parses INI text (the bytes of a file).
void ParseProfile(std::span<const uint8_t> bytes, ProfileDocument& doc);
std::vector<WString> ProfileSectionNames(const ProfileDocument& doc);
// Empty when the section is missing.
std::vector<WString> ProfileKeyNames(const ProfileDocument& doc, WStringView section);
// False when the section or key is missing.
bool ProfileValue(const ProfileDocument& doc, WStringView section, WStringView key, WString& value);
// The bytes of the text with the value written (empty bytes: a new file),
// every byte the write does not replace kept.
std::vector<uint8_t> SetProfileValue(std::span<const uint8_t> bytes, WStringView section, WStringView key,
                                     WStringView value);
