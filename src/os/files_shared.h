// What the POSIX and the Windows file layers share, private to src/platform.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "os/files.h"

// 64 random bits as 16 lowercase hexadecimal digits (kWorkingDigits),
// drawn afresh on every call, so no state is shared between calls or
// threads.
std::string RandomHex();

// A working file's name ends in "." kWorkingDigits random digits and
// kWorkingTail (WorkingFileStem tells such a name).
constexpr size_t kWorkingDigits = 16;
constexpr std::string_view kWorkingTail = ".tmp";

// The name of a working file beside one named `stem`: "<stem>.<16 hex
// digits>.tmp", a new draw each call. The stem is cut so that the name fits
// `nameMax` units (the longest name a folder holds).
template <class Char>
std::basic_string<Char> WorkingFileName(std::basic_string_view<Char> stem, size_t nameMax) {
  constexpr size_t kSuffix = 1 + kWorkingDigits + kWorkingTail.size();
  if (stem.size() + kSuffix > nameMax) stem = stem.substr(0, nameMax - kSuffix);
  std::basic_string<Char> name(stem);
  name.push_back(Char('.'));
  for (char c : RandomHex() + std::string(kWorkingTail)) name.push_back(static_cast<Char>(c));
  return name;
}

// Windows refuses '<' and '>' in names (error 123). The placeholders
// "<invalid>" and "<error>" of unexpanded folder references hold them, so a
// path built from one is never created on any platform. Sets the error.
bool RefusedName(const WString& path);

// A listing in its fixed order: by name case-insensitively (upper-cased
// code units), equal names in raw order. An empty listing sets error 2, as
// FindFirstFileW reports a pattern that matches nothing.
void SortListing(std::vector<DirEntry>& entries);

// MS-DOS date and time fields: the year 1980..2107 (clamped when packed),
// the month 1..12, the second in steps of two.
struct DosFields {
  int year = 1980, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};
uint32_t PackDosDateTime(const DosFields& fields);  // date in the high 16 bits
DosFields UnpackDosDateTime(uint32_t dosDateTime);
