#include <gtest/gtest.h>

#include "platform/format.h"
#include "platform/text.h"

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
