// The diff's shared routines: the report writer, the display escaper, the
// flag-name tables and the change word.
#include <gtest/gtest.h>

#include "diff/comparers.h"
#include "diff/diff_report.h"
#include "diff/flag_names.h"
#include "e2e/diff_support.h"

TEST(DiffReport, WrittenOnceAsUtf16AndAppendedForTheSameStem) {
  harness::TempDir dir;
  const std::string path = dir.Sub("ui.txt");
  harness::WriteFile(path, std::string(100, 'x'));  // an earlier report is replaced
  DiffReport first;
  first.installName = u"ui.dll";
  first.comparisonName = u"ui.lng";
  first.path = Utf8ToWide(path);
  ReportEntry(first, u"String %d changed\r\n", 5);
  WriteDiffEntry(first, u" + %s\r\n", WString(u"caf\u00e9 \u20ac"));
  ConsoleEntry(first, u"console only\r\n");
  DiffReport second = first, none = first;
  second.installName = u"UI.DLL";
  none.entries.clear();

  ReportFiles files;
  ReportOutput ahead = PrepareReport(first);
  WriteReportAhead(ahead);  // the file first, its messages in their turn
  EXPECT_EQ(difftest::ReadReport(path), difftest::Header("ui.dll", "ui.lng") + "String 5 changed\r\n + caf\xC3\xA9 \xE2\x82\xAC\r\n");
  testing::internal::CaptureStdout();
  EXPECT_TRUE(WritePairReport(Messages(), files, ahead));
  EXPECT_TRUE(WritePairReport(Messages(), files, PrepareReport(none)));  // no entries: nothing at all
  EXPECT_TRUE(WritePairReport(Messages(), files, PrepareReport(second)));
  const std::string console = testing::internal::GetCapturedStdout();
  const std::string entries = "String 5 changed\r\n + caf\xC3\xA9 \xE2\x82\xAC\r\n";
  EXPECT_EQ(console, "\r\n" + difftest::Header("ui.dll", "ui.lng") + "String 5 changed\r\nconsole only\r\n" + "\r\n" +
                         difftest::Header("UI.DLL", "ui.lng") + "String 5 changed\r\nconsole only\r\n");
  EXPECT_EQ(difftest::ReadReport(path),
            difftest::Header("ui.dll", "ui.lng") + entries + difftest::Header("UI.DLL", "ui.lng") + entries);

  // A report that cannot be written says so, with the path and the error.
  DiffReport lost = first;
  lost.path = Utf8ToWide(dir.Sub("missing/ui.txt"));
  ReportOutput lostAhead = PrepareReport(lost);
  WriteReportAhead(lostAhead);
  testing::internal::CaptureStdout();
  EXPECT_FALSE(WritePairReport(Messages(), files, lostAhead));
  EXPECT_FALSE(WritePairReport(Messages(), files, PrepareReport(lost)));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "\r\n" + difftest::Header("ui.dll", "ui.lng") + "String 5 changed\r\nconsole only\r\n" +
                "Unable to write the report `" + dir.Sub("missing/ui.txt") + "' [2]\r\n" + "\r\n" +
                difftest::Header("ui.dll", "ui.lng") + "String 5 changed\r\nconsole only\r\n" +
                "Unable to write the report `" + dir.Sub("missing/ui.txt") + "' [2]\r\n");
}

TEST(DiffReport, ResourceNamesAndChangeWords) {
  EXPECT_EQ(FormatResourceName(ResId::Int(0)), u"0");
  EXPECT_EQ(FormatResourceName(ResId::Int(65535)), u"65535");
  EXPECT_EQ(FormatResourceName(ResId::Str(u"ABOUTBOX")), u"ABOUTBOX");

  const ValueChange up = ChangeBetween(0x10, 0x90);
  EXPECT_EQ(WString(up.word), u"addition");
  EXPECT_EQ(up.difference, 0x80u);
  const ValueChange down = ChangeBetween(0x90, 0x10);
  EXPECT_EQ(WString(down.word), u"removal");
  EXPECT_EQ(down.difference, 0x80u);
  // The arithmetic difference, not the changed bits.
  EXPECT_EQ(ChangeBetween(1, 2).difference, 1u);
  EXPECT_EQ(WString(ChangeBetween(7, 7).word), u"addition");
  EXPECT_EQ(ChangeBetween(0, 0xFFFFFFFF).difference, 0xFFFFFFFFu);
}

TEST(DiffReport, EscapeControlCharsWide) {
  EXPECT_EQ(EscapeControlChars(WStringView(u"a\r\nb\tc"), 6), u"a\\r\\nb\\tc");
  EXPECT_EQ(EscapeControlChars(WStringView(u"abcdef"), 3), u"abc");
  EXPECT_EQ(EscapeControlChars(WStringView(u"ab\0cd", 5), 5), u"ab");  // stops at a NUL
  EXPECT_EQ(EscapeControlChars(WStringView(u"ab"), 10), u"ab");        // never past the end
  EXPECT_EQ(EscapeControlChars(WStringView(u""), 1), u"");
  // A base character and its combining marks are one step: only the base is copied.
  EXPECT_EQ(EscapeControlChars(WStringView(u"e\u0301\u0302x"), 4), u"ex");
  // A surrogate pair stays whole.
  EXPECT_EQ(EscapeControlChars(WStringView(u"\U0001F600!"), 3), u"\U0001F600!");
  EXPECT_EQ(EscapeControlChars(WStringView(u"\\n"), 2), u"\\n");
}

TEST(DiffReport, EscapeControlCharsNarrow) {
  EXPECT_EQ(EscapeControlChars(std::string_view("Line 1\r\nLine\t2"), 14), "Line 1\\r\\nLine\\t2");
  EXPECT_EQ(EscapeControlChars(std::string_view("ab\0cd", 5), 5), "ab");
  EXPECT_EQ(EscapeControlChars(std::string_view("caf\xE9"), 4), "caf\xE9");
  EXPECT_EQ(EscapeControlChars(std::string_view("abc"), 2), "ab");
}

TEST(DiffReport, FlagNamesFollowTheTables) {
  EXPECT_EQ(FlagNamesOf(kMenuFlagNames, 0x80), u"MF_END ");
  EXPECT_EQ(FlagNamesOf(kMenuFlagNames, 0x7), u"MF_GRAYED MF_DISABLED MF_BITMAP ");
  EXPECT_EQ(FlagNamesOf(kMenuFlagNames, 0x4000), u"MF_HELP MF_RIGHTJUSTIFY ");
  EXPECT_EQ(FlagNamesOf(kMenuFlagNames, 0x0400), u"");  // no name
  EXPECT_EQ(FlagNamesOf(kMenuExTypeNames, 0x1), u"");
  // Either of the two lowest state bits prints both names, once.
  EXPECT_EQ(FlagNamesOf(kMenuExStateNames, 0x1), u"MFS_GRAYED MFS_DISABLED ");
  EXPECT_EQ(FlagNamesOf(kMenuExStateNames, 0x3), u"MFS_GRAYED MFS_DISABLED ");
  EXPECT_EQ(FlagNamesOf(kMenuExStateNames, 0x1088), u"MFS_CHECKED MFS_HILITE MFS_DEFAULT ");
  EXPECT_EQ(FlagNamesOf(kWindowStyleNames, 0x20000), u"WS_GROUP WS_MINIMIZEBOX ");
  EXPECT_EQ(FlagNamesOf(kWindowStyleNames, 0x30000), u"WS_GROUP WS_TABSTOP WS_MINIMIZEBOX WS_MAXIMIZEBOX ");
  EXPECT_EQ(FlagNamesOf(kWindowStyleNames, 0x00400000), u"WS_CAPTION WS_DLGFRAME ");
  EXPECT_EQ(FlagNamesOf(kWindowStyleNames, 0x80000001), u"");
  EXPECT_EQ(FlagNamesOf(kWindowStyleNames, 0x40000408), u"WS_CHILD DS_FIXEDSYS DS_CONTROL ");
  EXPECT_EQ(FlagNamesOf(kWindowExStyleNames, 0x0A400001),
            u"WS_EX_DLGMODALFRAME WS_EX_LAYOUTRTL WS_EX_COMPOSITED WS_EX_NOACTIVATE ");
  EXPECT_EQ(FlagNamesOf(kWindowExStyleNames, 0x00000802), u"");
}
