// The comparers end to end: two versions of a module compiled from .rc
// sources, compared in folder mode; the report file and the console are
// checked byte for byte.
#include <gtest/gtest.h>

#include "e2e/diff_support.h"

using difftest::FolderConsole;
using difftest::FolderPair;
using difftest::Header;

namespace {

void ExpectReport(const FolderPair& pair, const std::string& console, const std::string& module,
                  const std::string& entries) {
  EXPECT_EQ(console, FolderConsole(pair.install, pair.other, module, entries));
  EXPECT_EQ(pair.Report("ui"), Header(module, module) + entries);
}

// The pair compiled from <fixture>_install.rc and <fixture>_comparison.rc
// gives exactly these entries, in the report and on the console.
void ExpectFixtureEntries(const std::string& fixture, const std::string& entries) {
  harness::Tool tool;
  FolderPair pair;
  ASSERT_TRUE(pair.Build("ui.dll", difftest::Fixture(fixture + "_install.rc"),
                         difftest::Fixture(fixture + "_comparison.rc")));
  ExpectReport(pair, pair.Run(tool), "ui.dll", entries);
}

}  // namespace

TEST(DiffComparers, StringTablesAddedRemovedChangedAndMissingBlocks) {
  ExpectFixtureEntries("strings", difftest::kStringEntries);
}

TEST(DiffComparers, MenuItemsPairedByPositionWithFlagNames) {
  const std::string entries =
      "Menu 1 changed\r\n"
      " - text changed in menu item id: 0 (position 1)\r\n -> \"&File\"\r\n -> \"&Fichier\"\r\n\r\n"
      " - style changed (addition) in menu item id: 101 (position 3)\r\n   0x1 -> 0x8 (Diff: 0x7)\t"
      "MF_GRAYED MF_DISABLED MF_BITMAP \r\n\r\n"
      " - id changed in menu item at position 5\r\n102 -> 103\tid change only\r\n"
      // An item inserted in the comparison menu: no re-alignment.
      "Menu 2 changed\r\n"
      " - id changed in menu item at position 2\r\n20 -> 15\titem change (due to addition)\r\n"
      " - text changed in menu item id: 20 (position 2)\r\n -> \"&Two\"\r\n -> \"&New\"\r\n\r\n"
      " - id changed in menu item at position 3\r\n30 -> 20\titem change (due to addition)\r\n"
      " - style changed (removal) in menu item id: 30 (position 3)\r\n   0x80 -> 0x0 (Diff: 0x80)\tMF_END \r\n\r\n"
      " - text changed in menu item id: 30 (position 3)\r\n -> \"T&hree\"\r\n -> \"&Two\"\r\n\r\n"
      " - id changed in menu item at position 4\r\n65535 -> 30\titem removed\r\n"
      // An item whose id is -1 reads as the end marker: its side counts as
      // run out at that position.
      "Menu 4 changed\r\n"
      " - id changed in menu item at position 1\r\n65535 -> 45\titem removed\r\n"
      " - id changed in menu item at position 2\r\n50 -> 65535\titem added\r\n";
  ExpectFixtureEntries("menu", entries);
}

TEST(DiffComparers, MenuExTypeStateHelpIdAndIdFix) {
  harness::Tool tool;
  FolderPair pair;
  ASSERT_TRUE(pair.Build("ui.dll", difftest::Fixture("menuex_install.rc"), difftest::Fixture("menuex_comparison.rc"),
                         harness::Compiler::Windres));
  // The state and help identifier lines read differently on the console.
  const std::string head = "Menu 3 changed\r\n";
  const std::string help = "help identifier changed in menu item id: 300 (position 1)\r\n0x4d -> 0x58\r\n";
  const std::string state =
      "state changed (removal) in menu item id: 301 (position 2)\r\n0x8 -> 0x3 (Diff: 0x5)\t"
      "MFS_GRAYED MFS_DISABLED \r\n\r\n";
  const std::string rest =
      " - text changed in menu item id: 301 (position 2)\r\n -> \"&Toolbar\"\r\n -> \"&Toolbars\"\r\n"
      " - type changed (addition) in menu item id: 302 (position 3)\r\n0x0 -> 0x200 (Diff: 0x200)\t"
      "MFT_RADIOCHECK \r\n\r\n"
      // -5 stored as 0xFFFFFFFB equals 65531: no line for position 5.
      " - id changed in menu item at position 6\r\n400 -> -1\titem added\r\n";
  const std::string console = pair.Run(tool);
  EXPECT_EQ(pair.Report("ui"), Header("ui.dll", "ui.dll") + head + "- " + help + " - " + state + rest);
  EXPECT_EQ(console, FolderConsole(pair.install, pair.other, "ui.dll", head + " - " + help + "- " + state + rest));
}

TEST(DiffComparers, DialogHeaderFontControlsAndFormatMismatch) {
  const std::string entries =
      "Dialog 100 changed (determined by the resource size &/or contents)\r\n[Original: 162 - Comparison: 202]\r\n"
      "Size changed: [10,20,200,100] -> [12,20,210,100]\r\n"
      "Style changed (addition): 0x80c80040 -> 0x80ca0040 (Diff: 0x20000)\tWS_GROUP WS_MINIMIZEBOX \r\n"
      "Item count changed: 3 -> 4\r\n"
      "Title changed: `Settings' -> `Einstellungen'\r\n"
      "Font changed: MS Shell Dlg -> Tahoma\r\n"
      "Font size changed: 8 -> 9\r\n"
      "Item #1\r\n - size changed: [5,5,50,10] -> [-4,5,50,10]\r\n"
      "Item #2\r\n - id changed: 1002 -> 1003\r\n - style changed: 1350631424 -> 1350631456\r\n"
      "Item #3\r\n - text changed: `OK'\r\n\t      -> `O&K'\r\n"
      "\r\n"
      "Dialog 101 changed (determined by the resource size &/or contents)\r\n[Original: 62 - Comparison: 76]\r\n"
      "Type changed: requires menual verification\r\n\r\n"
      "Dialog 102 changed (determined by the resource size &/or contents)\r\n[Original: 184 - Comparison: 184]\r\n"
      "Extended style changed (addition): 0x100 -> 0x300 (Diff: 0x200)\tWS_EX_CLIENTEDGE \r\n"
      "Help identifier changed: 0x1f4 -> 0x1f5\r\n"
      "Font weight changed: 400 -> 700\r\n"
      "Font italic changed: 0 -> 1\r\n"
      "Font charset changed: 1 -> 0\r\n"
      // -1 against 65535: both mean "no id", no id line.
      "Item #1\r\n - text changed: `Version 1.0'\r\n\t      -> `Version 2.0'\r\n"
      "Item #2\r\n - help id changed: 42 -> 43\r\n"
      " - style changed (removal): 0x50010000 -> 0x50000000 (Diff: 0x10000)\tWS_TABSTOP WS_MAXIMIZEBOX \r\n"
      "\r\n";
  ExpectFixtureEntries("dialog", entries);
}

TEST(DiffComparers, AcceleratorsImagesAndTextResources) {
  harness::Tool tool;
  FolderPair pair;
  const std::string files = pair.dir.Sub("files");
  harness::MakeDirs(files);
  auto put = [&](const std::string& name, const std::string& bytes) { harness::WriteFile(files + "/" + name, bytes); };
  put("logo_a.png", "\x89PNG\r\n\x1a\n-one-");
  put("logo_b.png", "\x89PNG\r\n\x1a\n-two-");
  put("t1_a.txt", "\xFF\xFE" + harness::Utf16le("Hi\tthere"));
  put("t1_b.txt", harness::Utf16le("Hi\tthere"));
  put("t2_a.txt", "Line 1\r\nLine 2");
  put("t2_b.txt", "Line 1\r\nLine 3");
  put("t3_a.txt", "Abc");
  put("t3_b.txt", "Xbc");
  put("t4_a.txt", harness::Utf16le("Test"));
  put("t4_b.txt", harness::Utf16le("Best"));
  put("t5.txt", "Only here");
  put("readme_a.txt", "Caf\xE9 1");
  put("readme_b.txt", "Caf\xE9 2");
  put("bmp1_a.bmp", difftest::SmallBitmap(0x40));
  put("bmp1_b.bmp", difftest::SmallBitmap(0x40, "tail"));
  put("bmp2.bmp", difftest::SmallBitmap(0x80));
  put("bmp3.bmp", difftest::SmallBitmap(0xC0));
  const std::string install = difftest::WithDir(
      "LOGO PNG \"@DIR@/logo_a.png\"\n"
      "README TEXT \"@DIR@/readme_a.txt\"\n"
      "1 TEXT \"@DIR@/t1_a.txt\"\n2 TEXT \"@DIR@/t2_a.txt\"\n3 TEXT \"@DIR@/t3_a.txt\"\n"
      "4 TEXT \"@DIR@/t4_a.txt\"\n5 TEXT \"@DIR@/t5.txt\"\n"
      "1 BITMAP \"@DIR@/bmp1_a.bmp\"\n2 BITMAP \"@DIR@/bmp2.bmp\"\n3 BITMAP \"@DIR@/bmp3.bmp\"\n"
      "KEYS ACCELERATORS\nBEGIN\n \"K\", 300, VIRTKEY\nEND\n"
      "1 ACCELERATORS\nBEGIN\n \"O\", 100, VIRTKEY, CONTROL\n \"S\", 101, VIRTKEY, CONTROL\n"
      " \"Q\", 102, VIRTKEY, ALT\n 0x70, 103, VIRTKEY\nEND\n",
      files);
  const std::string other = difftest::WithDir(
      "LOGO PNG \"@DIR@/logo_b.png\"\n"
      "README TEXT \"@DIR@/readme_b.txt\"\n"
      "1 TEXT \"@DIR@/t1_b.txt\"\n2 TEXT \"@DIR@/t2_b.txt\"\n3 TEXT \"@DIR@/t3_b.txt\"\n"
      "4 TEXT \"@DIR@/t4_b.txt\"\n"
      "1 BITMAP \"@DIR@/bmp1_b.bmp\"\n3 BITMAP \"@DIR@/bmp3.bmp\"\n"
      "1 ACCELERATORS\nBEGIN\n \"O\", 100, VIRTKEY, CONTROL\n \"S\", 101, VIRTKEY, CONTROL\n"
      " \"Q\", 102, VIRTKEY, ALT\nEND\n",
      files);
  ASSERT_TRUE(pair.Build("ui.dll", install, other));
  const std::string entries =
      "PNG image LOGO changed\r\n\r\n"
      "TEXT resource README changed\r\nChange happens after character position 5: Caf\xC3\xA9 \r\n\r\n"
      // With and without a byte order mark: equal up to the end of the text.
      "TEXT resource 1 changed\r\nChange happens after character position 9: Hi\\tthere\r\n"
      "(Text shown is all matching text upto the change. There may be other changes as well not detected)\r\n\r\n"
      "TEXT resource 2 changed\r\nChange happens after character position 15: Line 1\\r\\nLine \r\n\r\n"
      "TEXT resource 3 changed\r\nChange happens at start of the text\r\n\r\n"
      "TEXT resource 4 changed\r\nChange happens at start of the text - there may be more changes elsewhere in the "
      "resource\r\n\r\n"
      "TEXT resource 5 added\r\n\r\n"
      "Bitmap image 1 changed\r\n\r\n"
      "Bitmap image 2 added\r\n\r\n"
      "Accelerator table: KEYS - added\r\n\r\n"
      // The last entry's end-of-table flag moved: entry 3 changed, 4 added.
      "Accelerator table: 1 - changed\r\n - entry #3 was changed\r\n - entry #4 was added\r\n";
  ExpectReport(pair, pair.Run(tool), "ui.dll", entries);
}

TEST(DiffComparers, IdenticalModulesGiveNoReportAndNoHeader) {
  harness::Tool tool;
  FolderPair pair;
  const std::string rc = difftest::Fixture("dialog_install.rc") + difftest::Fixture("menu_install.rc") +
                         difftest::Fixture("strings_install.rc");
  ASSERT_TRUE(pair.Build("ui.dll", rc, rc));
  EXPECT_EQ(pair.Run(tool), difftest::StartLine(pair.install, "folder", pair.other) + difftest::EndLine("folder"));
  EXPECT_FALSE(harness::Exists(pair.reports + "/ui.txt"));
}
