#include "text/text.h"

namespace {

// Windows-1252 bytes 0x80..0x9F; 0 marks the five undefined positions,
// which decode to the C1 control of the same value, as Windows does.
const char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Writes the UTF-8 form of `cp` at `out` and returns the end.
char* PutUtf8(char* out, uint32_t cp) {
  if (cp < 0x80) {
    *out++ = static_cast<char>(cp);
  } else if (cp < 0x800) {
    *out++ = static_cast<char>(0xC0 | (cp >> 6));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (cp >> 12));
    *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (cp >> 18));
    *out++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

// Decodes one UTF-8 sequence at text[i]; returns false for an invalid one.
bool DecodeUtf8(std::string_view text, size_t& i, uint32_t& cp) {
  const auto b0 = static_cast<uint8_t>(text[i]);
  if (b0 < 0x80) {
    cp = b0;
    i += 1;
    return true;
  }
  int extra;
  uint32_t min;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3, cp = b0 & 0x07, min = 0x10000;
  } else {
    return false;
  }
  if (static_cast<size_t>(extra) > text.size() - i - 1) return false;
  for (int k = 1; k <= extra; ++k) {
    const auto b = static_cast<uint8_t>(text[i + k]);
    if ((b & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  i += extra + 1;
  return true;
}

}  // namespace

namespace {

// Both conversions write into a buffer sized for the longest result (one
// UTF-16 unit per byte; at most three bytes per UTF-16 unit, a surrogate
// pair giving four for two) and cut it to what was written. Runs of ASCII,
// most of what the tool converts, take the short loop.

// UTF-8 to UTF-16; a byte that starts no valid sequence (never ASCII: every
// byte below 0x80 decodes) becomes the unit `stray` gives for it.
template <class Stray>
WString DecodeUtf8Text(std::string_view text, Stray stray) {
  WString out(text.size(), u'\0');
  char16_t* end = out.data();
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && static_cast<uint8_t>(text[i]) < 0x80) *end++ = static_cast<char16_t>(text[i++]);
    if (i == text.size()) break;
    uint32_t cp;
    if (!DecodeUtf8(text, i, cp)) {
      *end++ = stray(static_cast<uint8_t>(text[i]));
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      *end++ = static_cast<char16_t>(0xD800 + (cp >> 10));
      *end++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      *end++ = static_cast<char16_t>(cp);
    }
  }
  out.resize(static_cast<size_t>(end - out.data()));
  return out;
}

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD, unless `keepRawBytes`
// and it stands for a stray byte of a native name (U+DC80 + byte).
std::string EncodeUtf8Text(WStringView text, bool keepRawBytes) {
  std::string out(3 * text.size(), '\0');
  char* end = out.data();
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    while (i < n && text[i] < 0x80) *end++ = static_cast<char>(text[i++]);
    if (i == n) break;
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (keepRawBytes && IsRawByteUnit(static_cast<char16_t>(c))) {
      *end++ = static_cast<char>(c - 0xDC00);
      ++i;
      continue;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    end = PutUtf8(end, c);
    ++i;
  }
  out.resize(static_cast<size_t>(end - out.data()));
  return out;
}

}  // namespace

WString Utf8ToWide(std::string_view text) {
  return DecodeUtf8Text(text, [](uint8_t) { return char16_t{0xFFFD}; });
}

std::string WideToUtf8(WStringView text) { return EncodeUtf8Text(text, false); }

WString NativeToWide(std::string_view native) {
  return DecodeUtf8Text(native, [](uint8_t byte) { return static_cast<char16_t>(0xDC00 + byte); });
}

std::string WideToNative(WStringView text) { return EncodeUtf8Text(text, true); }

bool IsValidUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    uint32_t cp;
    if (!DecodeUtf8(text, i, cp)) return false;
  }
  return true;
}

// One unit per byte and one byte per unit, written in place.
WString Cp1252ToWide(std::string_view text) {
  WString out(text.size(), u'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<uint8_t>(text[i]);
    out[i] = (b >= 0x80 && b < 0xA0 && kCp1252High[b - 0x80] != 0) ? kCp1252High[b - 0x80] : b;
  }
  return out;
}

std::string WideToCp1252(WStringView text, bool* lossy) {
  std::string out(text.size(), '\0');
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      out[i] = static_cast<char>(c);
      continue;
    }
    int found = -1;
    for (int k = 0; k < 32; ++k) {
      if (kCp1252High[k] == c || (kCp1252High[k] == 0 && c == 0x80 + k)) {
        found = k;
        break;
      }
    }
    if (found >= 0) {
      out[i] = static_cast<char>(0x80 + found);
    } else {
      out[i] = '?';
      if (lossy) *lossy = true;
    }
  }
  return out;
}

char16_t AsciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? c + 32 : c; }

bool EqualsAsciiNoCase(WStringView a, WStringView b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

bool StartsWithAsciiNoCase(WStringView text, WStringView prefix) {
  return text.size() >= prefix.size() && EqualsAsciiNoCase(text.substr(0, prefix.size()), prefix);
}

char16_t NameUpper(char16_t c) {
  if (c >= u'a' && c <= u'z') return c - 32;
  // Latin-1 lower-case letters, except the division sign and y-diaeresis.
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
  if (c == 0xFF) return 0x178;
  return c;
}

WString NameToUpper(WStringView text) {
  WString out(text);
  for (auto& c : out) c = NameUpper(c);
  return out;
}

bool EqualsNoCase(WStringView a, WStringView b) { return a.size() == b.size() && CompareNoCase(a, b) == 0; }

int CompareNoCase(WStringView a, WStringView b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const char16_t x = NameUpper(a[i]), y = NameUpper(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

size_t FindNoCase(WStringView haystack, WStringView needle, size_t from) {
  if (needle.empty()) return from <= haystack.size() ? from : WString::npos;
  if (needle.size() > haystack.size()) return WString::npos;
  for (size_t i = from; i + needle.size() <= haystack.size(); ++i) {
    size_t k = 0;
    while (k < needle.size() && NameUpper(haystack[i + k]) == NameUpper(needle[k])) ++k;
    if (k == needle.size()) return i;
  }
  return WString::npos;
}

size_t WideLength(const char16_t* text) {
  size_t n = 0;
  if (text)
    while (text[n]) ++n;
  return n;
}
