// The per-text checks: conversions as the Windows printf family reads them,
// whether a translation reads the same arguments, hotkey markers, and the
// shortcut, space and line-break counts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "diff/text_checks.h"

namespace {

std::u16string Written(std::u16string_view text) {
  std::u16string joined;
  for (const Conversion& c : PrintfConversions(text)) joined += std::u16string(c.Written(text)) + u"|";
  return joined;
}

TEST(TextChecks, ConversionsAreReadAsTheWindowsPrintfFamilyReadsThem) {
  const struct {
    std::u16string_view text, written;
  } cases[] = {
      {u"plain text", u""},
      {u"100%% sure, %%d", u""},
      {u"%-08.3ld and %+ #x", u"%-08.3ld|%+ #x|"},
      {u"%*.*s then %.*f", u"%*.*s|%.*f|"},
      {u"%I64u %I32d %Iu %lld %hhx %zu", u"%I64u|%I32d|%Iu|%lld|%hhx|%zu|"},
      {u"%S %hs %ls %ws %c %C %Z %p %n %E %G %a", u"%S|%hs|%ls|%ws|%c|%C|%Z|%p|%n|%E|%G|%a|"},
      {u"no type: %y %1$s 100%", u""},
      {u"%%%d%%", u"%d|"},
      {u"50% off", u"% o|"},  // a space flag and a type: printf reads it so
  };
  for (const auto& c : cases) EXPECT_EQ(Written(c.text), c.written) << std::string(c.text.begin(), c.text.end());
  EXPECT_TRUE(HasConversions(u"%s"));
  EXPECT_FALSE(HasConversions(u"100%%"));
}

TEST(TextChecks, TranslationsReadTheSameArgumentsInTheSameOrder) {
  const struct {
    std::u16string_view source, translation;
    bool match;
  } cases[] = {
      {u"%d files in %s", u"%d Dateien in %s", true},
      {u"%d%% done", u"%d %% terminé", true},
      {u"%5d", u"%-3d", true},                 // width and flags are the translator's
      {u"%d", u"%i", true},
      {u"%x", u"%u", true},                    // both unsigned
      {u"%ld", u"%d", true},                   // long is 32 bits
      {u"%I32d", u"%d", true},
      {u"%S", u"%hs", true},                   // both narrow in the wide functions
      {u"%s", u"%ls", true},
      {u"%d files in %s", u"%s: %d", false},   // reordered
      {u"%d of %d", u"%d", false},             // one lost
      {u"%s", u"%s %s", false},
      {u"%d", u"%u", false},                   // signedness
      {u"%d", u"%I64d", false},                // size
      {u"%hd", u"%d", false},
      {u"%s", u"%S", false},                   // wide against narrow
      {u"%*d", u"%d", false},                  // the width argument is read too
      {u"%.*s", u"%*s", true},                 // an int then a string either way
      {u"100%%", u"100%", true},               // a lone "%" at the end is text
  };
  for (const auto& c : cases)
    EXPECT_EQ(ConversionsMatch(c.source, c.translation), c.match)
        << std::string(c.source.begin(), c.source.end()) << " / " << std::string(c.translation.begin(), c.translation.end());
}

TEST(TextChecks, HotkeyMarkersShortcutsSpacesAndLineBreaks) {
  const struct {
    std::u16string_view source, translation;
    HotkeyFault fault;
    char16_t letter;  // the translation's
  } cases[] = {
      {u"&Open", u"Ö&ffnen", HotkeyFault::None, u'f'},
      {u"&Open", u"Öffnen", HotkeyFault::Lost, 0},
      {u"&Open", u"&Öff&nen", HotkeyFault::Several, u'Ö'},
      {u"Tom && Jerry", u"Tom && Jerry", HotkeyFault::None, 0},
      {u"&Tom && Jerry", u"Tom && Jerry", HotkeyFault::Lost, 0},
      {u"Save &&", u"Sichern &", HotkeyFault::None, 0},  // a "&" at the end marks nothing
      {u"&A &B", u"Nichts", HotkeyFault::None, 0},       // a source with two marks sets no rule
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CheckHotkeys(c.source, c.translation), c.fault);
    EXPECT_EQ(Hotkeys(c.translation).letter, c.letter);
  }
  EXPECT_EQ(Hotkeys(u"&&a&b&c").positions, (std::vector<size_t>{4, 6}));
  EXPECT_EQ(FoldHotkey(u'ö'), u'Ö');
  EXPECT_EQ(FoldHotkey(u'ж'), u'Ж');
  EXPECT_EQ(FoldHotkey(u'ł'), u'Ł');
  EXPECT_EQ(FoldHotkey(u'ž'), u'Ž');
  EXPECT_EQ(FoldHotkey(u'1'), u'1');

  std::u16string_view shortcut;
  EXPECT_TRUE(ShortcutText(u"&Open\tCtrl+O", shortcut));
  EXPECT_EQ(shortcut, u"Ctrl+O");
  EXPECT_FALSE(ShortcutText(u"&Open", shortcut));
  EXPECT_EQ(LeadingSpaces(u"  x \u00a0"), 2u);
  EXPECT_EQ(TrailingSpaces(u"  x \u00a0"), 2u);
  EXPECT_EQ(TrailingSpaces(u"   "), 3u);
  EXPECT_EQ(LineBreaks(u"a\r\nb\nc\rd\r\n\r\n"), 5u);
}

}  // namespace
