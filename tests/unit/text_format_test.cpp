#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "text/format.h"
#include "text/text.h"

TEST(Format, ConversionsAndPercent) {
  EXPECT_EQ(Format(u"a%sb%Sc%d%%", WString(u"X"), "Y", -5), u"aXbYc-5%");
  EXPECT_EQ(Format(u"%x %u %c", 255u, 7u, char16_t(u'Q')), u"ff 7 Q");
  EXPECT_EQ(Format(u"%s"), u"");  // a missing argument formats as nothing
}

TEST(Format, NarrowByteConversion) {
  const std::string s = FormatNarrow(":%c%d\n", 1, 42);
  EXPECT_EQ(s, std::string(":\x01" "42\n"));
  EXPECT_EQ(FormatNarrow("%c", 0x80), std::string("\x80"));
}

TEST(Text, Windows1252RoundTrip) {
  const std::string bytes = "caf\xe9 \x80 \x81";
  EXPECT_EQ(AnsiToWide(bytes), u"caf\u00e9 \u20ac \u0081");
  EXPECT_EQ(WideToAnsi(AnsiToWide(bytes)), bytes);
  bool lossy = false;
  EXPECT_EQ(WideToAnsi(u"\u4e2d", &lossy), "?");
  EXPECT_TRUE(lossy);
}

TEST(Format, FlagsWidthsAndOddFormats) {
  EXPECT_EQ(Format(u"[%5d|%-5d|%05d|%+d|% d]", 42, 42, -42, 7, 7), u"[   42|42   |-0042|+7| 7]");
  EXPECT_EQ(Format(u"[%08X|%.3d|%4s|%-4s|%.2s]", 0xBEEFu, 5, u"ab", u"ab", u"abc"), u"[0000BEEF|005|  ab|ab  |ab]");
  EXPECT_EQ(Format(u"%*d|%-*d|%*d|", 4, 1, 3, 2, -3, 3), u"   1|2  |3  |");
  EXPECT_EQ(Format(u"%x %u %d", -1, -1, 4294967295u), u"ffffffff 4294967295 -1");  // 32-bit, as a Windows int
  EXPECT_EQ(Format(u"%ld %lu %hd %c", 5L, 6UL, int16_t(-3), 0x41), u"5 6 -3 A");
  // Unknown conversions print as written; a trailing '%' stays; a wrong
  // or missing argument formats as nothing.
  EXPECT_EQ(Format(u"%q %", 1), u"%q %");
  EXPECT_EQ(Format(u"%d|%s|%S", u"text", 5), u"||");
  EXPECT_EQ(Format(u"100%% %s", std::string("caf\xe9")), u"100% caf\u00e9");  // narrow %s is Windows-1252
  EXPECT_EQ(Format(u"%S", WString(u"\u4e2d")), u"\u4e2d");
}

TEST(Format, NarrowFormatsAreWindows1252) {
  EXPECT_EQ(FormatNarrow("%s|%S", WString(u"\u20ac\u4e2d"), "caf\xe9"), std::string("\x80?|caf\xe9"));
  EXPECT_EQ(FormatNarrow("adding %s [%d]\r\n", "a\\b.lng", 3), "adding a\\b.lng [3]\r\n");
}

TEST(Text, Utf8DecodingRejectsMalformedSequences) {
  EXPECT_EQ(Utf8ToWide("a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80"), u"a\u00e9\u20ac\U0001F600");
  // Overlong, surrogate, truncated and stray bytes each become U+FFFD.
  EXPECT_EQ(Utf8ToWide("\xc0\xaf|\xed\xa0\x80|\xe2\x82|\x80"), u"\ufffd\ufffd|\ufffd\ufffd\ufffd|\ufffd\ufffd|\ufffd");
  EXPECT_FALSE(IsValidUtf8("\xe2\x82"));
  EXPECT_TRUE(IsValidUtf8("plain \xc3\xa9"));
  EXPECT_EQ(WideToUtf8(u"\U0001F600"), "\xf0\x9f\x98\x80");
  EXPECT_EQ(WideToUtf8(WString(1, char16_t(0xD800)) + u"x"), "\xef\xbf\xbdx");  // unpaired surrogate
}

TEST(Text, CaseFoldingOfNamesAndWords) {
  EXPECT_TRUE(EqualsNoCase(u"Caf\u00c9.LNG", u"caf\u00e9.lng"));
  EXPECT_FALSE(EqualsAsciiNoCase(u"\u00c9", u"\u00e9"));
  EXPECT_TRUE(StartsWithAsciiNoCase(u"EN-gb", u"en-"));
  EXPECT_LT(CompareNoCase(u"abc", u"ABCD"), 0);  // shorter first on a shared prefix
  EXPECT_GT(CompareNoCase(u"_", u"z"), 0);       // '_' after the upper-cased letters
  EXPECT_EQ(FindNoCase(u"Release\\GEN_test", u"gen_"), 8u);
  EXPECT_EQ(FindNoCase(u"abc", u"abcd"), WString::npos);
}

TEST(Text, NativeNamesRoundTripByteForByte) {
  struct Case {
    std::string native;
    WString wide;
  };
  const Case cases[] = {
      {"plain", u"plain"},
      {"caf\xc3\xa9", u"caf\u00e9"},
      {"caf\xe9", u"caf\xdce9"},                    // Latin-1 byte
      {"\xc3", u"\xdcc3"},                          // truncated sequence
      {"\xed\xa0\x80", u"\xdced\xdca0\xdc80"},      // encoded surrogate
      {"\xf0\x9f\x98\x80\xff", u"\U0001F600\xdcff"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NativeToWide(c.native), c.wide) << c.native;
    EXPECT_EQ(WideToNative(c.wide), c.native) << c.native;
  }
  // Surrogates that stand for no byte cannot name a file: U+FFFD.
  EXPECT_EQ(WideToNative(WString(1, char16_t(0xDC7F))), "\xef\xbf\xbd");
  EXPECT_EQ(WideToUtf8(u"caf\xdce9"), "caf\xef\xbf\xbd");  // the console's form
}

// The directives no message uses today still follow printf: the '#' flag,
// a precision of 0 with the value 0, a width on a narrow %c, 64-bit sizes.
TEST(Format, MatchesPrintfOnRareDirectives) {
  struct Case {
    const char* format;
    long long value;
  };
  const Case cases[] = {{"[%#x]", 255},   {"[%#X]", 255},   {"[%#x]", 0},     {"[%#08x]", 255}, {"[%#10X]", 48879},
                        {"[%.0d]", 0},    {"[%.0x]", 0},    {"[%5.0d]", 0},   {"[%.0u]", 7},    {"[%#.0x]", 0},
                        {"[%5c]", 'A'},   {"[%-3c]", 'B'},  {"[%lld]", -5000000000LL},           {"[%llu]", 5000000000LL},
                        {"[%llx]", 0x123456789LL}};
  for (const Case& c : cases) {
    char expected[64];
    const std::string format = c.format;
    if (format.find("ll") != std::string::npos) std::snprintf(expected, sizeof expected, c.format, c.value);
    else std::snprintf(expected, sizeof expected, c.format, static_cast<int>(c.value));
    EXPECT_EQ(FormatNarrow(format, c.value), expected) << c.format;
    // Windows spells the 64-bit size "I64".
    std::string windows = format;
    if (const size_t at = windows.find("ll"); at != std::string::npos) windows.replace(at, 2, "I64");
    EXPECT_EQ(FormatNarrow(windows, c.value), expected) << windows;
  }
  EXPECT_EQ(Format(u"%I32d|%I64d", 7, int64_t{-1} << 40), u"7|-1099511627776");
}
