// The command-line grammar: token boundaries, quotes, word matching, and
// the line rebuilt from an argument vector.
#include <gtest/gtest.h>

#include "driver/tokenizer.h"
#include "os/command_line.h"

TEST(DriverTokenizer, OnlySpacesSeparateAndQuotesGroup) {
  const WString line = u"  a\tb \"c d\"e  \"f";
  Cursor c = SkipSpaces(line.c_str());
  EXPECT_EQ(c - line.c_str(), 2);
  EXPECT_EQ(CopyToken(c), u"a\tb");  // a tab is part of the token
  c = NextToken(c);
  EXPECT_EQ(WString(c), u"\"c d\"e  \"f");
  EXPECT_EQ(SkipToken(c) - c, 6);  // stops at the space after `e`
  EXPECT_EQ(CopyToken(c), u"c de");
  c = NextToken(c);
  EXPECT_EQ(CopyToken(c), u"f");  // an unclosed quote runs to the end
  c = NextToken(c);
  EXPECT_EQ(*c, 0);
  EXPECT_EQ(CopyToken(c), u"");
  EXPECT_EQ(NextToken(c), c);  // at the end, stays at the end
  EXPECT_EQ(CopyToken(u"   "), u"");
  EXPECT_EQ(CopyToken(u"\"\""), u"");
  EXPECT_EQ(CopyToken(u"a\"b c\"d e"), u"ab cd");
  EXPECT_EQ(CopyToken(nullptr), u"");
  EXPECT_EQ(SkipToken(nullptr), nullptr);
}

TEST(DriverTokenizer, MatchWordIsAsciiFoldedAndWholeWord) {
  EXPECT_TRUE(MatchWord(u"/BuIlD", u"/build"));
  EXPECT_TRUE(MatchWord(u"/build rest", u"/build"));
  EXPECT_FALSE(MatchWord(u"/build,", u"/build"));
  EXPECT_FALSE(MatchWord(u"/builds", u"/build"));
  EXPECT_FALSE(MatchWord(u"/build\tx", u"/build"));
  EXPECT_FALSE(MatchWord(u"/bui", u"/build"));  // the line ends first
  EXPECT_FALSE(MatchWord(u"\"/build\"", u"/build"));
  EXPECT_FALSE(MatchWord(nullptr, u"/build"));
  EXPECT_TRUE(MatchWord(u"/INI_TX", u"/ini_tx"));
  // Only A-Z fold: Latin-1 letters and the underscore stay as they are.
  EXPECT_FALSE(MatchWord(u"/\u00c9", u"/\u00e9"));
  EXPECT_FALSE(MatchWord(u"/ini\x7f" u"tx", u"/ini_tx"));
  EXPECT_TRUE(MatchWord(u"/? x", u"/?"));
}

TEST(DriverTokenizer, CommandLineRebuiltFromArguments) {
  EXPECT_EQ(CommandLineFromArgs({u"packsmith", u"my folder", u"", u"a\tb", u"/x"}),
            u"packsmith \"my folder\" \"\" a\tb /x");
  EXPECT_EQ(CommandLineFromArgs({u"/opt/pack smith/packsmith"}), u"\"/opt/pack smith/packsmith\"");
  EXPECT_EQ(CommandLineFromArgs({}), u"");
  // The tokeniser gets the arguments back for ordinary cases.
  const WString line = CommandLineFromArgs({u"p", u"my folder", u"/lgp", u"/folder=a b"});
  Cursor c = NextToken(line.c_str());
  EXPECT_EQ(CopyToken(c), u"my folder");
  c = NextToken(c);
  EXPECT_TRUE(MatchWord(c, u"/lgp"));
  EXPECT_EQ(CopyToken(NextToken(c)), u"/folder=a b");
#ifndef _WIN32  // Windows reads its own line, not main's arguments
  const char* argv[] = {"p", "caf\xc3\xa9", "my folder", nullptr};
  const CommandLine command = ProcessCommandLine(3, const_cast<char**>(argv));
  EXPECT_EQ(command.args, (std::vector<WString>{u"p", u"caf\u00e9", u"my folder"}));
  EXPECT_EQ(command.line, u"p caf\u00e9 \"my folder\"");
#endif
}
