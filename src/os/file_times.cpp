// MS-DOS dates and times (the zip entries' time stamps), packed and unpacked.
#include "os/files_shared.h"

uint32_t PackDosDateTime(const DosFields& f) {
  const int year = f.year < 1980 ? 1980 : (f.year > 2107 ? 2107 : f.year);
  const uint32_t date = static_cast<uint32_t>(((year - 1980) << 9) | (f.month << 5) | f.day);
  const uint32_t time = static_cast<uint32_t>((f.hour << 11) | (f.minute << 5) | (f.second / 2));
  return (date << 16) | time;
}

DosFields UnpackDosDateTime(uint32_t dosDateTime) {
  const uint32_t date = dosDateTime >> 16, time = dosDateTime & 0xFFFF;
  DosFields f;
  f.year = static_cast<int>((date >> 9) & 0x7F) + 1980;
  f.month = static_cast<int>((date >> 5) & 0x0F);
  f.day = static_cast<int>(date & 0x1F);
  f.hour = static_cast<int>((time >> 11) & 0x1F);
  f.minute = static_cast<int>((time >> 5) & 0x3F);
  f.second = static_cast<int>((time & 0x1F) * 2);
  return f;
}
