// UTF-16 text and the conversions between it and the narrow encodings the
// tool meets: UTF-8 (native paths, console) and the "ANSI code page"
// (single-byte TEXT resources, hash file lines, zip entry names), which is
// Windows-1252 on POSIX.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

using WString = std::u16string;
using WStringView = std::u16string_view;

// UTF-8 <-> UTF-16. Invalid UTF-8 and unpaired surrogates become U+FFFD.
WString Utf8ToWide(std::string_view text);
std::string WideToUtf8(WStringView text);
bool IsValidUtf8(std::string_view text);

// Native names (Linux file names, command-line arguments, environment
// values) <-> UTF-16, losslessly. A Linux name is bytes and need not be
// UTF-8: valid UTF-8 decodes as usual, and each byte that is not part of
// valid UTF-8 becomes the lone surrogate U+DC80 + byte (U+DC80..U+DCFF),
// which WideToNative turns back into that byte. So every name read from
// the system names the same file when given back. Other unpaired
// surrogates (which no native name produces) become U+FFFD.
WString NativeToWide(std::string_view native);
std::string WideToNative(WStringView text);
// True for the code units that stand for a raw byte of a native name.
inline bool IsRawByteUnit(char16_t c) { return c >= 0xDC80 && c <= 0xDCFF; }

// Windows-1252 <-> UTF-16. A character that Windows-1252 cannot hold becomes
// '?', and *lossy (when given) is set.
WString Cp1252ToWide(std::string_view text);
std::string WideToCp1252(WStringView text, bool* lossy = nullptr);
// The ANSI code page <-> UTF-16, with the same '?' and *lossy: Windows-1252
// on POSIX (ansi_codepage_posix.cpp); the system's ANSI code page on Windows
// (ansi_codepage_win32.cpp).
WString AnsiToWide(std::string_view text);
std::string WideToAnsi(WStringView text, bool* lossy = nullptr);

// ASCII-only case folding (A-Z to a-z), as the command-line grammar uses it.
char16_t AsciiLower(char16_t c);
bool EqualsAsciiNoCase(WStringView a, WStringView b);
bool StartsWithAsciiNoCase(WStringView text, WStringView prefix);

// Case folding of names (file names, resource names): ASCII and Latin-1.
char16_t NameUpper(char16_t c);
WString NameToUpper(WStringView text);
bool EqualsNoCase(WStringView a, WStringView b);
// <0, 0, >0 over the upper-cased code units; a shorter name first on a
// shared prefix.
int CompareNoCase(WStringView a, WStringView b);
// Case-insensitive substring search (StrStrIW); npos when absent.
size_t FindNoCase(WStringView haystack, WStringView needle, size_t from = 0);

// Length of a zero-terminated UTF-16 string.
size_t WideLength(const char16_t* text);
