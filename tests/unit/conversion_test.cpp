// Spelling conversion: the three modes on the texts translators meet, the
// substitution rule against a literal step-by-step model of it, the
// language option, and the rebuilds of every template kind.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "lngfile/conversion.h"
#include "lngfile/dialog_template.h"
#include "lngfile/language_file.h"
#include "lngfile/menu_template.h"
#include "lngfile/string_block.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::u16string Convert(int mode, std::u16string_view text) { return ConvertText(text, mode); }

// The rule as a literal, quadratic model: find the first match ignoring
// case, replace it by its first two characters and the replacement from
// the third on, search again from the match's second character.
char16_t Fold(char16_t c) { return c >= u'A' && c <= u'Z' ? c + 32 : c; }

size_t FindFolded(const std::u16string& s, std::u16string_view needle, size_t from) {
  for (size_t i = from; i + needle.size() <= s.size(); ++i) {
    size_t k = 0;
    while (k < needle.size() && Fold(s[i + k]) == Fold(needle[k])) ++k;
    if (k == needle.size()) return i;
  }
  return std::u16string::npos;
}

std::u16string LiteralModel(std::u16string s, const std::vector<std::pair<std::u16string, std::u16string>>& rows) {
  for (const auto& [search, replacement] : rows) {
    size_t p = FindFolded(s, search, 0);
    while (p != std::u16string::npos) {
      s = s.substr(0, p) + s.substr(p, 2) + replacement.substr(2) + s.substr(p + search.size());
      p = FindFolded(s, search, p + 1);
    }
  }
  return s;
}

const std::vector<std::pair<std::u16string, std::u16string>> kTableB = {
    {u"qualizer", u"qualiser"}, {u"color", u"colour"}, {u"lization", u"lisation"},
    {u"lyzer", u"lyser"},       {u"mize", u"mise"},    {u"lize", u"lise"},
    {u"lizi", u"lisi"},         {u"minimized", u"minimised"}, {u"riza", u"risa"}};

std::vector<std::pair<std::u16string, std::u16string>> TableB() { return kTableB; }

std::vector<std::pair<std::u16string, std::u16string>> TableA() {
  std::vector<std::pair<std::u16string, std::u16string>> rows;
  for (const auto& [search, replacement] : TableB()) rows.push_back({replacement, search});
  return rows;
}


}  // namespace

TEST(ConversionText, BritishSpellings) {
  EXPECT_EQ(Convert(1, u"Color Equalizer"), u"Colour Equaliser");
  EXPECT_EQ(Convert(1, u"Minimize"), u"Minimise");
  EXPECT_EQ(Convert(1, u"colour"), u"colour");
  EXPECT_EQ(Convert(1, u"COLOR"), u"COlour");
  EXPECT_EQ(Convert(1, u"optimize"), u"optimise");
  EXPECT_EQ(Convert(1, u"localization"), u"localisation");
  EXPECT_EQ(Convert(1, u"authorization"), u"authorisation");
  EXPECT_EQ(Convert(1, u"Colors"), u"Colours");
  EXPECT_EQ(Convert(1, u"Analyzer, minimized, colorcolor"), u"Analyser, minimised, colourcolour");
  EXPECT_EQ(Convert(1, u""), u"");
  EXPECT_EQ(Convert(0, u"Color"), u"Color");
}

TEST(ConversionText, AmericanSpellings) {
  EXPECT_EQ(Convert(2, u"Colour"), u"Color");
  EXPECT_EQ(Convert(2, u"Localisation"), u"Localization");
  EXPECT_EQ(Convert(2, u"Organisation"), u"Organisation");
  EXPECT_EQ(Convert(2, u"EQUALISER colours"), u"EQUalizer colors");
  EXPECT_EQ(Convert(2, u"minimised"), u"minimized");
}

TEST(ConversionText, LeetKeepsFormatSpecifications) {
  EXPECT_EQ(Convert(3, u"Select a file"), u"5313c7 4 fi13");
  EXPECT_EQ(Convert(3, u"%s files"), u"%s fi135");
  EXPECT_EQ(Convert(3, u"Total: %d files"), u"70741: %d fi135");
  EXPECT_EQ(Convert(3, u"100%% sale"), u"100%% 5413");
  EXPECT_EQ(Convert(3, u"ABZ %"), u"482 %");
  EXPECT_EQ(Convert(3, u"%%%s"), u"%%%s");
}

TEST(ConversionText, SubstitutionMatchesTheStepByStepRule) {
  // Random texts glued from pieces of the table rows and single letters in
  // both cases: overlapping matches, matches running into a replacement and
  // rows feeding each other all come up.
  std::vector<std::u16string> pieces;
  for (const auto& [search, replacement] : TableB())
    for (const std::u16string& word : {search, replacement})
      for (size_t from = 0; from < word.size(); from += 2) pieces.push_back(word.substr(from, 3 + from % 4));
  for (char16_t c : std::u16string(u"colrizsemnaqutyCOLRIZSEMNAQUTY ")) pieces.push_back(std::u16string(1, c));
  // Long runs without matches put the first match far into the text.
  for (size_t n : {7, 30, 64}) pieces.push_back(std::u16string(n, u'.'));
  std::mt19937 random(2024);
  for (int round = 0; round < 20000; ++round) {
    std::u16string text;
    // Every 50th text is long, with many matches of every row.
    for (size_t n = round % 50 ? random() % 12 : 400 + random() % 200; n > 0; --n) {
      std::u16string piece = pieces[random() % pieces.size()];
      if (random() % 2)
        for (char16_t& c : piece) c = static_cast<char16_t>(c >= u'a' && c <= u'z' ? c - 32 : c);
      text += piece;
    }
    ASSERT_EQ(Convert(1, text), LiteralModel(text, TableB())) << std::string(text.begin(), text.end());
    ASSERT_EQ(Convert(2, text), LiteralModel(text, TableA())) << std::string(text.begin(), text.end());
  }
}

TEST(ConversionText, LongTextsStayLinear) {
  std::u16string text;
  for (int i = 0; i < 200000; ++i) text += u"color ";
  const std::u16string converted = Convert(1, text);
  EXPECT_EQ(converted.size(), text.size() + 200000);
  EXPECT_EQ(converted.substr(0, 14), u"colour colour ");
}

TEST(ConversionOption, LanguageIdentifiers) {
  struct Case {
    std::u16string line;
    int mode;      // the mode after reading, starting from 0
    size_t after;  // where the returned cursor points
  };
  const std::vector<Case> cases = {
      {u"en-gb", 1, 5},        {u"en-GB rest", 1, 6},  {u"EN-US", 2, 5},  {u"en-usa  x", 2, 8},
      {u"en-L337", 3, 7},      {u"en-l337", 3, 7},      {u"fr-fr x", 0, 6}, {u"en", 0, 2},
      {u"/special en-gb", 0, 0}, {u"/SPECIAL", 0, 0},   {u"/x", 0, 0},      {u"", 0, 0},
      {u"  en-gb", 1, 7},      {u"\"en-gb\" z", 1, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.line.begin(), c.line.end()));
    int mode = 0;
    std::u16string token;
    const Cursor after = ReadLanguageOption(c.line.c_str(), token, u"/special", u"", mode);
    EXPECT_EQ(mode, c.mode);
    EXPECT_EQ(static_cast<size_t>(after - c.line.c_str()), c.after);
  }
  // An unrecognised identifier leaves a mode already set.
  int mode = 1;
  std::u16string token;
  const std::u16string line = u"de-de";
  ReadLanguageOption(line.c_str(), token, u"/copy", u"/folder=", mode);
  EXPECT_EQ(mode, 1);
  EXPECT_EQ(token, u"de-de");
  EXPECT_EQ(ReadLanguageOption(nullptr, token, u"/copy", u"/folder=", mode), nullptr);
}

TEST(ConversionText, IsTextUnicodeRule) {
  auto bytes = [](std::string s) { return Bytes(s.begin(), s.end()); };
  EXPECT_FALSE(IsTextUnicode(bytes("Text")));
  EXPECT_TRUE(IsTextUnicode(bytes(std::string("T\0e\0", 4))));
  EXPECT_FALSE(IsTextUnicode(bytes(std::string("ABC\0", 4))));
  EXPECT_TRUE(IsTextUnicode(bytes("\xFF\xFE")));
  EXPECT_TRUE(IsTextUnicode(bytes("\xFF\xFE\0\0")));
  EXPECT_FALSE(IsTextUnicode(bytes(std::string("\xFE\xFF\0T", 4))));
  EXPECT_FALSE(IsTextUnicode(bytes("T")));
  EXPECT_FALSE(IsTextUnicode(bytes(std::string("T\0e", 3))));
  EXPECT_FALSE(IsTextUnicode(bytes(std::string("T\0\0\0", 4))));
  EXPECT_FALSE(IsTextUnicode(bytes(std::string("T\0\xFF\xFF", 4))));
  EXPECT_FALSE(IsTextUnicode(bytes(std::string("T\0", 2))));  // the zero is the last byte
  EXPECT_FALSE(IsTextUnicode({}));
}

TEST(ConversionRebuild, MenuItemGrowsAndLaterItemsMove) {
  MenuTemplate menu;
  menu.items = {{kMfPopup, false, 0, u"&View"}, {0, true, 10, u"Colors..."}, {kMfEnd, true, 11, u"Equalizer"},
                {kMfEnd, true, 12, u"About"}};
  const Bytes input = WriteMenuTemplate(menu);
  const Bytes output = RebuildMenu(input, 1);
  EXPECT_EQ(output.size(), input.size() + 2);
  MenuTemplate again;
  ASSERT_TRUE(ReadMenuTemplate(output, again));
  ASSERT_FALSE(again.truncated);
  ASSERT_EQ(again.items.size(), 4u);
  EXPECT_EQ(again.items[1].text, u"Colours...");
  EXPECT_EQ(again.items[2].text, u"Equaliser");
  EXPECT_EQ(again.items[2].id, 11);
  EXPECT_EQ(again.items[3].flags, kMfEnd);
  EXPECT_EQ(again.items[3].id, 12);
}

TEST(ConversionRebuild, MenuExKeepsHelpIdsAndFixesIdentifiers) {
  MenuExTemplate menu;
  menu.helpId = 0x99;
  menu.items = {{0, 0, 0x200, kMenuExPopup, u"Color", 0x4242, {}, {}},
                {0, 0, 0xFFFF8003, 0, u"Colors...", 0, {}, {}},
                {0, 0, 0xFFFF0000, 0, u"Zero", 0, {}, {}},
                {0x800, 0, 0xFFFFFFFF, kMenuExLast, u"", 0, {}, {}},
                {0, 8, 7, kMenuExLast, u"Abc", 0, {}, {}}};
  const Bytes input = WriteMenuExTemplate(menu);
  bool fixed = false;
  const Bytes output = RebuildMenuEx(input, 1, fixed);
  EXPECT_TRUE(fixed);
  MenuExTemplate again;
  ASSERT_TRUE(ReadMenuExTemplate(output, again));
  ASSERT_FALSE(again.truncated);
  ASSERT_EQ(again.items.size(), 5u);
  EXPECT_EQ(again.helpId, 0x99u);
  EXPECT_EQ(again.items[0].text, u"Colour");
  EXPECT_EQ(again.items[0].helpId, 0x4242u);
  EXPECT_EQ(again.items[1].id, 0x8003u);
  EXPECT_EQ(again.items[1].text, u"Colours...");
  EXPECT_EQ(again.items[2].id, 0xFFFF0000u);
  EXPECT_EQ(again.items[3].id, 0xFFFFu);
  EXPECT_EQ(again.items[4].state, 8u);
  // Every item padded to 4 bytes, the last one too.
  EXPECT_EQ(output.size() % 4, 0u);

  // Nothing to fix: the flag stays clear.
  fixed = false;
  MenuExTemplate plain;
  plain.items = {{0, 0, 5, kMenuExLast, u"Go", 0, {}, {}}};
  RebuildMenuEx(WriteMenuExTemplate(plain), 1, fixed);
  EXPECT_FALSE(fixed);
}

TEST(ConversionRebuild, DialogsKeepFontsAndClassNames) {
  for (bool extended : {false, true}) {
    SCOPED_TRACE(extended);
    DialogTemplate dialog;
    dialog.extended = extended;
    dialog.style = kDsSetFont | 0x80000000;
    dialog.hasFont = true;
    dialog.pointSize = 8;
    dialog.weight = extended ? 400 : 0;
    dialog.charset = extended ? 1 : 0;
    dialog.typeface = u"Colorful Sans";
    dialog.windowClass.name = u"ColorClass";
    dialog.title = u"Color Equalizer";
    DialogItem text;
    text.id = 1;
    text.windowClass = {true, 0x82, {}};
    text.title.name = u"Optimize colors";
    DialogItem icon;
    icon.id = 2;
    icon.windowClass = {true, 0x82, {}};
    icon.title = {true, 5, {}};
    icon.creationCount = extended ? 2 : 4;
    icon.creationData = {0xC0, 0x10};
    DialogItem custom;
    custom.id = 3;
    custom.windowClass.name = u"ColorPicker";
    custom.title.name = u"Minimize";
    dialog.items = {text, icon, custom};
    dialog.itemCount = 3;
    // Padding that is not zero, as no resource compiler writes it.
    DialogTemplate padded;
    ASSERT_TRUE(ReadDialogTemplate(WriteDialogTemplate(dialog), padded));
    for (DialogItem& item : padded.items) std::fill(item.alignBefore.begin(), item.alignBefore.end(), 0xEE);
    const Bytes input = WriteDialogTemplate(padded);
    ASSERT_GT(std::count(input.begin(), input.end(), 0xEE), 0);
      const Bytes output = extended ? RebuildDialogEx(input, 1) : RebuildDialog(input, 1);
    DialogTemplate again;
    ASSERT_TRUE(ReadDialogTemplate(output, again));
    ASSERT_FALSE(again.truncated);
    EXPECT_TRUE(again.trailing.empty());
    EXPECT_EQ(again.title, u"Colour Equaliser");
    EXPECT_EQ(again.typeface, u"Colorful Sans");
    EXPECT_EQ(again.pointSize, 8);
    EXPECT_EQ(again.weight, dialog.weight);
    EXPECT_EQ(again.windowClass.name, u"ColorClass");
    ASSERT_EQ(again.items.size(), 3u);
    EXPECT_EQ(again.items[0].title.name, u"Optimise colours");
    EXPECT_TRUE(again.items[1].title.isOrdinal);
    EXPECT_EQ(again.items[1].creationData, (Bytes{0xC0, 0x10}));
    EXPECT_EQ(again.items[2].windowClass.name, u"ColorPicker");
    EXPECT_EQ(again.items[2].title.name, u"Minimise");
    EXPECT_EQ(std::count(output.begin(), output.end(), 0xEE), 0);  // rebuilt with zeros
  }
}

TEST(ConversionRebuild, StringTables) {
  StringBlock block;
  block.strings[0] = u"Colors";
  block.strings[1] = std::u16string(u"Color\0color", 11);  // a filter-style string
  block.strings[14] = u"Color 65534";
  block.strings[15] = u"Color 65535";
  const Bytes input = WriteStringBlock(block);
  StringBlock again;
  ASSERT_TRUE(ReadStringBlock(RebuildStringTable(input, 4096, 1), again));
  EXPECT_EQ(again.strings[0], u"Colours");
  EXPECT_EQ(again.strings[1], std::u16string(u"Colour\0color", 12));
  EXPECT_EQ(again.strings[2], u"");
  EXPECT_EQ(again.strings[14], u"Color 65534");
  EXPECT_EQ(again.strings[15], u"Color 65535");
  // In another block the same positions are converted.
  ASSERT_TRUE(ReadStringBlock(RebuildStringTable(input, 1, 1), again));
  EXPECT_EQ(again.strings[15], u"Colour 65535");
  // A block of size 0 is a missing block: 16 empty strings.
  EXPECT_EQ(RebuildStringTable(Bytes{}, 1, 1), Bytes(32, 0));
  // Growth beyond the block as read needs no limit.
  StringBlock big;
  for (auto& s : big.strings)
    for (int i = 0; i < 300; ++i) s += u"color";
  ASSERT_TRUE(ReadStringBlock(RebuildStringTable(WriteStringBlock(big), 1, 1), again));
  EXPECT_EQ(again.strings[7].size(), 1800u);
}

TEST(ConversionRebuild, MalformedTemplatesAreCopiedUnchanged) {
  MenuTemplate menu;
  menu.items = {{0, true, 1, u"Colors"}, {kMfEnd, true, 2, u"Color"}};
  Bytes cut = WriteMenuTemplate(menu);
  cut.resize(cut.size() - 3);
  EXPECT_EQ(RebuildMenu(cut, 1), cut);

  MenuExTemplate menuEx;
  menuEx.items = {{0, 0, 0xFFFF8003, kMenuExPopup | kMenuExLast, u"Color", 1, {}, {}}};
  Bytes cutEx = WriteMenuExTemplate(menuEx);
  cutEx.resize(cutEx.size() - 2);  // the popup's help identifier is cut
  bool fixed = false;
  EXPECT_EQ(RebuildMenuEx(cutEx, 1, fixed), cutEx);
  EXPECT_FALSE(fixed);

  DialogTemplate dialog;
  dialog.title = u"Color";
  dialog.itemCount = 2;  // announces two items, holds none
  const Bytes shortDialog = WriteDialogTemplate(dialog);
  EXPECT_EQ(RebuildDialog(shortDialog, 1), shortDialog);

  const Bytes strings = {1, 0, 'C', 0, 9, 0};
  EXPECT_EQ(RebuildStringTable(strings, 1, 1), strings);
}

TEST(ConversionRebuild, TextResources) {
  auto bytes = [](std::string s) { return Bytes(s.begin(), s.end()); };
  // Single-byte text: converted through Windows-1252, bytes above 0x7F kept.
  EXPECT_EQ(ConvertTextResource(bytes("Color text \x81\xE9\x9D"), 1), bytes("Colour text \x81\xE9\x9D"));
  // The converted text alone, at its own length: nothing from the first
  // zero on is kept.
  EXPECT_EQ(ConvertTextResource(bytes(std::string("color\0color", 11)), 1), bytes("colour"));
  EXPECT_EQ(ConvertTextResource(bytes(std::string("plain\0", 6)), 1), bytes("plain"));
  // UTF-16 text with and without a byte order mark, and an odd last byte.
  const std::string utf16 = std::string("\xFF\xFE", 2) + std::string("C\0o\0l\0o\0r\0", 10);
  EXPECT_EQ(ConvertTextResource(bytes(utf16), 1), bytes(std::string("\xFF\xFE", 2) + std::string("C\0o\0l\0o\0u\0r\0", 12)));
  EXPECT_EQ(ConvertTextResource(bytes(std::string("c\0o\0l\0o\0r\0\0\0x", 13)), 1),
            bytes(std::string("c\0o\0l\0o\0u\0r\0", 12)));
  EXPECT_EQ(ConvertTextResource(bytes(std::string("c\0o\0l\0o\0r\0!", 11)), 1),
            bytes(std::string("c\0o\0l\0o\0u\0r\0!", 13)));
  EXPECT_EQ(ConvertTextResource({}, 1), Bytes{});
  // A mode that changes nothing gives the bytes back.
  const Bytes plain = bytes("nothing to change \xC0");
  EXPECT_EQ(ConvertTextResource(plain, 1), plain);
}
