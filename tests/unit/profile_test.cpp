// The profile (INI) functions: reading, listing and writing in place, in
// every encoding the tool meets.
#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "os/profile.h"
#include "pe/byte_reader.h"
#include "os/files.h"
#include "support/harness.h"

namespace {

using harness::ReadFile;
using harness::TempDir;
using harness::WriteFile;

WString W(const std::string& utf8) { return Utf8ToWide(utf8); }

std::vector<std::string> Narrow(const std::vector<WString>& names) {
  std::vector<std::string> out;
  for (const auto& n : names) out.push_back(WideToUtf8(n));
  return out;
}

std::string Value(const std::string& path, const std::string& section, const std::string& key) {
  WString value;
  if (!GetProfileValue(W(path), W(section), W(key), value)) return "<missing>";
  return WideToUtf8(value);
}

void Write(const std::string& path, const std::string& section, const std::string& key, const std::string& value) {
  ASSERT_TRUE(WriteProfileValue(W(path), W(section), W(key), W(value)));
}

TEST(ProfileRead, NamesBlanksQuotesAndComments) {
  TempDir dir;
  const std::string ini = dir.Sub("a.ini");
  WriteFile(ini, harness::Crlf("orphan=before any section\n"
                               "[Native]\n"
                               "  Player.EXE  =   {ABC}  \n"
                               ";commented=yes\n"
                               "quoted=\"  spaced  \"\n"
                               "single='x'\n"
                               "half=\"open\n"
                               "lone=\"\n"
                               "bare key\n"
                               "empty=\n"
                               "=no key\n"
                               "dup=first\n"
                               "dup=second\n"
                               " [ Second ] trailing\n"
                               "k=v=w\n"
                               "[native]\n"
                               "late=ignored\n"));
  EXPECT_EQ(Value(ini, "NATIVE", "player.exe"), "{ABC}");
  EXPECT_EQ(Value(ini, "Native", "quoted"), "  spaced  ");
  EXPECT_EQ(Value(ini, "Native", "single"), "x");
  EXPECT_EQ(Value(ini, "Native", "half"), "\"open");
  EXPECT_EQ(Value(ini, "Native", "lone"), "\"");
  EXPECT_EQ(Value(ini, "Native", "bare key"), "");
  EXPECT_EQ(Value(ini, "Native", "empty"), "");
  EXPECT_EQ(Value(ini, "Native", "dup"), "first");
  EXPECT_EQ(Value(ini, "Native", ";commented"), "<missing>");
  EXPECT_EQ(Value(ini, "Native", "orphan"), "<missing>");
  EXPECT_EQ(Value(ini, "Native", "late"), "<missing>");
  EXPECT_EQ(Value(ini, "second", "K"), "v=w");
  EXPECT_EQ(Value(ini, "Third", "k"), "<missing>");
  EXPECT_EQ(Value(dir.Sub("none.ini"), "Native", "k"), "<missing>");

  EXPECT_EQ(Narrow(GetProfileSectionNames(W(ini))), (std::vector<std::string>{"Native", "Second", "native"}));
  EXPECT_EQ(Narrow(GetProfileKeyNames(W(ini), u"NATIVE")),
            (std::vector<std::string>{"Player.EXE", "quoted", "single", "half", "lone", "bare key", "empty", "dup",
                                      "dup"}));
  EXPECT_TRUE(GetProfileKeyNames(W(ini), u"Absent").empty());
  EXPECT_TRUE(GetProfileSectionNames(W(dir.Sub("none.ini"))).empty());
}

TEST(ProfileRead, EncodingsAreDetected) {
  TempDir dir;
  // UTF-16LE with its byte order mark; LF line ends.
  const std::string wide = dir.Sub("wide.ini");
  WriteFile(wide, "\xFF\xFE" + harness::Utf16le("[S\xC3\xA9]\nk\xC3\xA9y=caf\xC3\xA9 \xE2\x82\xAC\n"));
  EXPECT_EQ(Value(wide, "s\xC3\x89", "K\xC3\x89Y"), "caf\xC3\xA9 \xE2\x82\xAC");
  // UTF-8, with and without its byte order mark.
  const std::string utf8 = dir.Sub("utf8.ini");
  WriteFile(utf8, "\xEF\xBB\xBF[S]\r\nk=\xC3\xA9\xE2\x82\xAC\r\n");
  EXPECT_EQ(Value(utf8, "S", "k"), "\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(Narrow(GetProfileSectionNames(W(utf8))), std::vector<std::string>{"S"});
  // Not valid UTF-8: Windows-1252 (0xE9 e-acute, 0x80 euro sign).
  const std::string ansi = dir.Sub("ansi.ini");
  WriteFile(ansi, "[S]\r\nk=\xE9\x80\r\n");
  EXPECT_EQ(Value(ansi, "S", "k"), "\xC3\xA9\xE2\x82\xAC");
}

TEST(ProfileRead, MalformedBytesNeverCrash) {
  std::mt19937 rng(7);
  const std::string pieces[] = {"[", "]", "=", "\r", "\n", ";", "\"", "'", " ", "a", "\xFF", "\xFE", "\xC3", "\x00"};
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    if (round % 3 == 0) text = "\xFF\xFE";
    const int count = static_cast<int>(rng() % 40);
    for (int i = 0; i < count; ++i) text += pieces[rng() % std::size(pieces)];
    if (round % 5 == 0) text.push_back('\x01');  // odd length
    ProfileDocument doc;
    ParseProfile(ByteSpan(reinterpret_cast<const uint8_t*>(text.data()), text.size()), doc);
    for (const auto& name : ProfileSectionNames(doc)) {
      WString value;
      for (const auto& key : ProfileKeyNames(doc, name)) EXPECT_TRUE(ProfileValue(doc, name, key, value));
    }
  }
}

TEST(ProfileWrite, InPlaceKeepsEveryOtherByte) {
  TempDir dir;
  const std::string ini = dir.Sub("a.ini");
  const std::string original =
      "; settings\r\n[Nuvexa]\r\n  langpack =  \"old.lgp\"  ; tail\r\nother=1\r\n\r\n[Next]\r\nx=1";
  WriteFile(ini, original);
  Write(ini, "NUVEXA", "LangPack", "Nuvexa-en-gb.lgp");
  EXPECT_EQ(ReadFile(ini),
            "; settings\r\n[Nuvexa]\r\n  langpack =  Nuvexa-en-gb.lgp\r\nother=1\r\n\r\n[Next]\r\nx=1");
  // A value that is empty or missing its '=' takes the new text after the key.
  WriteFile(ini, "[A]\nk=\nbare\n");
  Write(ini, "a", "K", "1");
  Write(ini, "a", "BARE", "2");
  EXPECT_EQ(ReadFile(ini), "[A]\nk=1\nbare=2\n");
}

TEST(ProfileWrite, AppendsKeysAndSections) {
  TempDir dir;
  const std::string ini = dir.Sub("a.ini");
  // The new key follows the section's last key (not the blank and comment
  // lines before the next section), with the file's own line end.
  WriteFile(ini, "[A]\nk=1\n\n; about B\n[B]\nz=9\n");
  Write(ini, "a", "new", "v");
  EXPECT_EQ(ReadFile(ini), "[A]\nk=1\nnew=v\n\n; about B\n[B]\nz=9\n");
  // A section without keys gets the key right after its header; the last
  // line of the file without a line end gets one first.
  WriteFile(ini, "[A]\r\n[B]\r\nz=9");
  Write(ini, "A", "k", "1");
  Write(ini, "B", "y", "2");
  EXPECT_EQ(ReadFile(ini), "[A]\r\nk=1\r\n[B]\r\nz=9\r\ny=2");
  // A missing section goes at the end, after a line end when the file lacks one.
  Write(ini, "Custom", "m.dll", "{G}");
  EXPECT_EQ(ReadFile(ini), "[A]\r\nk=1\r\n[B]\r\nz=9\r\ny=2\r\n[Custom]\r\nm.dll={G}\r\n");
  // A missing file is created, Windows-1252 with CR LF.
  const std::string fresh = dir.Sub("fresh.ini");
  Write(fresh, "Nuvexa", "langpack", "caf\xC3\xA9.lgp");
  EXPECT_EQ(ReadFile(fresh), "[Nuvexa]\r\nlangpack=caf\xE9.lgp\r\n");
  EXPECT_EQ(Value(fresh, "nuvexa", "LANGPACK"), "caf\xC3\xA9.lgp");
  // No folder to create it in: failure, nothing written.
  EXPECT_FALSE(WriteProfileValue(W(dir.Sub("no/such.ini")), u"A", u"k", u"v"));
}

TEST(ProfileWrite, WritesBackInTheEncodingRead) {
  TempDir dir;
  const std::string wide = dir.Sub("wide.ini");
  WriteFile(wide, "\xFF\xFE" + harness::Utf16le("[S]\r\nk=old\r\n"));
  Write(wide, "S", "k", "\xE2\x82\xAC");
  Write(wide, "T", "n", "\xC3\xA9");
  EXPECT_EQ(ReadFile(wide), "\xFF\xFE" + harness::Utf16le("[S]\r\nk=\xE2\x82\xAC\r\n[T]\r\nn=\xC3\xA9\r\n"));

  const std::string utf8 = dir.Sub("utf8.ini");
  WriteFile(utf8, "\xEF\xBB\xBF[S]\nk=\xC3\xA9\n");
  Write(utf8, "S", "k", "\xE2\x82\xAC");
  EXPECT_EQ(ReadFile(utf8), "\xEF\xBB\xBF[S]\nk=\xE2\x82\xAC\n");

  const std::string ansi = dir.Sub("ansi.ini");
  WriteFile(ansi, "; caf\xE9\r\n[S]\r\nk=1\r\n");
  Write(ansi, "S", "k", "\xE2\x82\xAC\xC3\xA9\xE4\xB8\x80");  // the CJK character has no Windows-1252 form
  EXPECT_EQ(ReadFile(ansi), "; caf\xE9\r\n[S]\r\nk=\x80\xE9?\r\n");
}

TEST(ProfileWrite, ReadOnlyFileIsLeftAlone) {
  TempDir dir;
  const std::string ini = dir.Sub("ro.ini");
  WriteFile(ini, "[S]\r\nk=1\r\n");
  ASSERT_TRUE(SetReadOnly(W(ini), true));
  EXPECT_FALSE(WriteProfileValue(W(ini), u"S", u"k", u"2"));
  EXPECT_EQ(ReadFile(ini), "[S]\r\nk=1\r\n");
}

TEST(ProfileDocumentLoad, SeventyThousandKeysLoadFast) {
  TempDir dir;
  const std::string ini = dir.Sub("big.ini");
  std::string text = "[Strings]\r\n";
  for (int i = 0; i < 70000; ++i) text += "key" + std::to_string(i) + "=value number " + std::to_string(i) + "\r\n";
  WriteFile(ini, text);
  const auto start = std::chrono::steady_clock::now();
  ProfileDocument doc;
  ASSERT_TRUE(LoadProfile(W(ini), doc));
  const auto keys = ProfileKeyNames(doc, u"strings");
  ASSERT_EQ(keys.size(), 70000u);
  WString value;
  for (const auto& key : keys) ASSERT_TRUE(ProfileValue(doc, u"STRINGS", key, value));
  EXPECT_EQ(WideToUtf8(value), "value number 69999");
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 3.0);
}

}  // namespace
