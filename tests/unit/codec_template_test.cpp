// Template codecs: templates compiled by real resource compilers read and
// written back byte for byte, every cut of them read without leaving the
// data, and the layout rules that compilers rarely exercise, built by hand.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lngfile/accelerator_table.h"
#include "lngfile/dialog_template.h"
#include "lngfile/menu_template.h"
#include "lngfile/string_block.h"
#include "support/harness.h"
#include "support/resource_listing.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct ResEntry {
  uint16_t type = 0;  // numbered types only; named ones are skipped
  uint16_t name = 0;
  Bytes data;
};

// Compiles the fixture to a .res file and lists its numbered resources.
std::vector<ResEntry> CompileRes(const std::string& rcFile, harness::Compiler compiler) {
  std::vector<ResEntry> out;
  for (listing::Resource& r : listing::CompileRes(std::string(PACKSMITH_FIXTURE_DIR) + "/build/" + rcFile, compiler)) {
    if (r.data.empty() || r.type[0] != '#') continue;
    ResEntry entry;
    entry.type = static_cast<uint16_t>(std::stoi(r.type.substr(1)));
    entry.name = r.name[0] == '#' ? static_cast<uint16_t>(std::stoi(r.name.substr(1))) : 0;
    entry.data = std::move(r.data);
    out.push_back(std::move(entry));
  }
  return out;
}

Bytes Prefix(const Bytes& b, size_t n) { return Bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(n)); }

// Reads `data` with the codec for its type and writes it back; `whole`
// tells whether the read found the template complete.
bool RoundTrip(uint16_t type, const Bytes& data, Bytes& written, bool& whole) {
  switch (type) {
    case 4:
      if (IsMenuExTemplate(data)) {
        MenuExTemplate menu;
        if (!ReadMenuExTemplate(data, menu)) return false;
        whole = !menu.truncated;
        written = WriteMenuExTemplate(menu);
      } else {
        MenuTemplate menu;
        if (!ReadMenuTemplate(data, menu)) return false;
        whole = !menu.truncated;
        written = WriteMenuTemplate(menu);
      }
      return true;
    case 5: {
      DialogTemplate dialog;
      if (!ReadDialogTemplate(data, dialog)) return false;
      whole = !dialog.truncated;
      written = WriteDialogTemplate(dialog);
      return true;
    }
    case 6: {
      StringBlock block;
      if (!ReadStringBlock(data, block)) return false;
      whole = !block.truncated;
      written = WriteStringBlock(block);
      return true;
    }
    case 9: {
      AcceleratorTable table;
      if (!ReadAcceleratorTable(data, table)) return false;
      whole = !table.truncated;
      written = WriteAcceleratorTable(table);
      return true;
    }
  }
  return false;
}

void CheckRoundTrips(const std::vector<ResEntry>& entries) {
  ASSERT_FALSE(entries.empty());
  for (const ResEntry& e : entries) {
    SCOPED_TRACE("type " + std::to_string(e.type) + " name " + std::to_string(e.name));
    Bytes written;
    bool whole = false;
    ASSERT_TRUE(RoundTrip(e.type, e.data, written, whole));
    EXPECT_TRUE(whole);
    EXPECT_EQ(written, e.data);
    // Every cut of the template: read as far as it goes, and what was read
    // plus what was kept is exactly the cut data again.
    for (size_t n = 0; n < e.data.size(); ++n) {
      const Bytes cut = Prefix(e.data, n);
      if (!RoundTrip(e.type, cut, written, whole)) continue;
      EXPECT_EQ(written, cut) << "cut at " << n;
    }
  }
}

const ResEntry* FindEntry(const std::vector<ResEntry>& entries, uint16_t type, uint16_t name) {
  for (const ResEntry& e : entries)
    if (e.type == type && e.name == name) return &e;
  return nullptr;
}

void Put16(Bytes& b, uint16_t v) { PutU16(b, v); }
void PutText(Bytes& b, std::u16string_view s) { PutWide(b, s, true); }

}  // namespace

TEST(CodecRoundTrip, TemplatesCompiledByLlvmRc) {
  CheckRoundTrips(CompileRes("templates.rc", harness::Compiler::LlvmRc));
}

TEST(CodecRoundTrip, TemplatesCompiledByWindres) {
  CheckRoundTrips(CompileRes("templates.rc", harness::Compiler::Windres));
  CheckRoundTrips(CompileRes("menuex.rc", harness::Compiler::Windres));
}

TEST(CodecRead, CompiledFieldsDecoded) {
  const auto entries = CompileRes("templates.rc", harness::Compiler::LlvmRc);
  const ResEntry* menu = FindEntry(entries, 4, 2);
  ASSERT_NE(menu, nullptr);
  MenuTemplate m;
  ASSERT_TRUE(ReadMenuTemplate(menu->data, m));
  ASSERT_EQ(m.items.size(), 8u);
  EXPECT_FALSE(m.items[0].hasId);
  EXPECT_EQ(m.items[0].text, u"&File");
  EXPECT_EQ(m.items[2].id, 102);
  EXPECT_EQ(m.items[2].flags, 0x0001);
  EXPECT_EQ(m.items[2].text, u"Colors...");
  EXPECT_EQ(m.items[3].text, u"");  // the separator
  EXPECT_EQ(m.items[7].flags, kMfEnd);

  const ResEntry* dialog = FindEntry(entries, 5, 100);
  ASSERT_NE(dialog, nullptr);
  DialogTemplate d;
  ASSERT_TRUE(ReadDialogTemplate(dialog->data, d));
  EXPECT_TRUE(d.extended);
  EXPECT_EQ(d.exStyle, 8u);
  EXPECT_EQ(d.title, u"Color Equalizer");
  EXPECT_TRUE(d.hasFont);
  EXPECT_EQ(d.pointSize, 8);
  EXPECT_EQ(d.weight, 700);
  EXPECT_EQ(d.italic, 1);
  EXPECT_EQ(d.charset, 1);
  EXPECT_EQ(d.typeface, u"MS Shell Dlg");
  ASSERT_EQ(d.items.size(), 5u);
  EXPECT_TRUE(d.items[0].windowClass.isOrdinal);
  EXPECT_EQ(d.items[0].windowClass.ordinal, 0x82);
  EXPECT_EQ(d.items[1].windowClass.name, u"Button");
  EXPECT_TRUE(d.items[2].title.isOrdinal);  // ICON: the title is the icon's ordinal
  EXPECT_EQ(d.items[2].title.ordinal, 1);
  EXPECT_EQ(d.items[3].x, -4);
  EXPECT_EQ(d.items[4].id, 1u);

  const ResEntry* plain = FindEntry(entries, 5, 101);
  ASSERT_NE(plain, nullptr);
  ASSERT_TRUE(ReadDialogTemplate(plain->data, d));
  EXPECT_FALSE(d.extended);
  EXPECT_EQ(d.windowClass.name, u"MyDialogClass");
  EXPECT_EQ(d.typeface, u"Tahoma");
  ASSERT_EQ(d.items.size(), 3u);
  EXPECT_EQ(d.items[0].id, 0xFFFFu);

  const ResEntry* strings = FindEntry(entries, 6, 3);
  ASSERT_NE(strings, nullptr);
  StringBlock block;
  ASSERT_TRUE(ReadStringBlock(strings->data, block));
  EXPECT_EQ(block.strings[8], std::u16string(u"Hello\0World", 11));

  const ResEntry* accel = FindEntry(entries, 9, 1);
  ASSERT_NE(accel, nullptr);
  AcceleratorTable table;
  ASSERT_TRUE(ReadAcceleratorTable(accel->data, table));
  ASSERT_EQ(table.entries.size(), 3u);
  EXPECT_EQ(table.entries[2].flags & 0x80, 0x80);
  EXPECT_EQ(table.entries[1].id, 104);
}

TEST(CodecRead, MenuExPopupsAndUnpaddedEnd) {
  const auto entries = CompileRes("menuex.rc", harness::Compiler::Windres);
  const ResEntry* menu = FindEntry(entries, 4, 1);
  ASSERT_NE(menu, nullptr);
  MenuExTemplate m;
  ASSERT_TRUE(ReadMenuExTemplate(menu->data, m));
  ASSERT_EQ(m.items.size(), 8u);
  EXPECT_EQ(m.items[0].helpId, 77u);
  EXPECT_EQ(m.items[2].id, 0xFFFF8003u);
  EXPECT_EQ(m.items[5].helpId, 0x1234u);
  EXPECT_EQ(m.items[6].state, 8u);
  EXPECT_EQ(m.items[7].text, u"Abc");
  // "Abc" ends the data two bytes short of the item's padding.
  EXPECT_TRUE(m.unpaddedEnd);
  EXPECT_FALSE(m.truncated);
  m.unpaddedEnd = false;
  const Bytes padded = WriteMenuExTemplate(m);
  ASSERT_EQ(padded.size(), menu->data.size() + 2);
  EXPECT_EQ(Prefix(padded, menu->data.size()), menu->data);
}

TEST(CodecRead, MenuHeaders) {
  // MENU with two bytes between header and items, kept as they are.
  Bytes b = {0, 0, 2, 0, 0xAB, 0xCD};
  Put16(b, kMfEnd);
  Put16(b, 7);
  PutText(b, u"Go");
  MenuTemplate m;
  ASSERT_TRUE(ReadMenuTemplate(b, m));
  ASSERT_EQ(m.items.size(), 1u);
  EXPECT_EQ(m.items[0].id, 7);
  EXPECT_EQ(WriteMenuTemplate(m), b);
  // An offset past the end: no header, nothing read.
  EXPECT_FALSE(ReadMenuTemplate(Bytes{0, 0, 9, 0, 1, 2}, m));
  EXPECT_FALSE(ReadMenuTemplate(Bytes{0, 0, 0}, m));

  // MENUEX whose offset is below 4 carries no help identifier; one above 4
  // keeps the extra bytes after it.
  for (uint16_t offset : {0, 4, 8}) {
    SCOPED_TRACE(offset);
    Bytes x = {1, 0};
    Put16(x, offset);
    for (uint16_t i = 0; i < offset; ++i) x.push_back(static_cast<uint8_t>(0x10 + i));
    PutU32(x, 0);
    PutU32(x, 0);
    PutU32(x, 9);
    Put16(x, kMenuExLast);
    PutText(x, u"AB");  // 14 + 6 bytes: ends on a 4-byte boundary
    MenuExTemplate mx;
    ASSERT_TRUE(ReadMenuExTemplate(x, mx));
    EXPECT_EQ(mx.helpId, offset >= 4 ? 0x13121110u : 0u);
    EXPECT_EQ(mx.headerExtra.size(), offset >= 4 ? offset - 4u : 0u);
    ASSERT_EQ(mx.items.size(), 1u);
    EXPECT_EQ(mx.items[0].id, 9u);
    EXPECT_FALSE(mx.unpaddedEnd);
    EXPECT_EQ(WriteMenuExTemplate(mx), x);
  }
}

TEST(CodecRead, PaddingKeptAsRead) {
  // MENUEX: the padding after an item's text, and DIALOG: the alignment
  // before an item, hold stray bytes; a round trip keeps them, a text that
  // changes length gets zeros where the padding moved.
  Bytes x = {1, 0, 4, 0, 0, 0, 0, 0};
  PutU32(x, 0);
  PutU32(x, 0);
  PutU32(x, 1);
  Put16(x, 0);
  PutText(x, u"A");  // ends at 26
  x.push_back(0xAA);
  x.push_back(0xBB);
  PutU32(x, 0);
  PutU32(x, 0);
  PutU32(x, 2);
  Put16(x, kMenuExLast);
  PutText(x, u"B");
  MenuExTemplate m;
  ASSERT_TRUE(ReadMenuExTemplate(x, m));
  ASSERT_EQ(m.items.size(), 2u);
  EXPECT_EQ(m.items[0].endAlign, (Bytes{0xAA, 0xBB}));
  EXPECT_EQ(WriteMenuExTemplate(m), x);
  m.items[0].text = u"AB";  // fills the padding: none is written
  Bytes changed = WriteMenuExTemplate(m);
  EXPECT_EQ(changed.size(), x.size());
  m.items[0].text = u"ABC";
  changed = WriteMenuExTemplate(m);
  EXPECT_EQ(changed.size(), x.size() + 4);
  MenuExTemplate again;
  ASSERT_TRUE(ReadMenuExTemplate(changed, again));
  ASSERT_EQ(again.items.size(), 2u);
  EXPECT_EQ(again.items[1].id, 2u);

  Bytes d;
  PutU32(d, 0);
  PutU32(d, 0);
  Put16(d, 1);
  for (int i = 0; i < 4; ++i) Put16(d, 0);
  Put16(d, 0);
  Put16(d, 0);
  PutText(d, u"T");  // ends at 26
  d.push_back(0x11);
  d.push_back(0x22);
  PutU32(d, 0);
  PutU32(d, 0);
  for (int i = 0; i < 5; ++i) Put16(d, 0);
  Put16(d, 0);
  Put16(d, 0);
  Put16(d, 0);
  DialogTemplate dialog;
  ASSERT_TRUE(ReadDialogTemplate(d, dialog));
  ASSERT_EQ(dialog.items.size(), 1u);
  EXPECT_EQ(dialog.items[0].alignBefore, (Bytes{0x11, 0x22}));
  EXPECT_EQ(WriteDialogTemplate(dialog), d);
}

TEST(CodecRead, MenuExPopupWithoutHelpIdIsTruncated) {
  Bytes x = {1, 0, 4, 0, 0, 0, 0, 0};
  PutU32(x, 0);
  PutU32(x, 0);
  PutU32(x, 5);
  Put16(x, kMenuExPopup | kMenuExLast);
  PutText(x, u"P");  // 8 + 18 = 26: padding to 28, then the help id
  x.push_back(0);
  x.push_back(0);
  MenuExTemplate m;
  ASSERT_TRUE(ReadMenuExTemplate(x, m));
  EXPECT_TRUE(m.truncated);
  EXPECT_TRUE(m.items.empty());
  EXPECT_EQ(WriteMenuExTemplate(m), x);
  PutU32(x, 0x55);
  ASSERT_TRUE(ReadMenuExTemplate(x, m));
  EXPECT_FALSE(m.truncated);
  ASSERT_EQ(m.items.size(), 1u);
  EXPECT_EQ(m.items[0].helpId, 0x55u);
}

TEST(CodecRead, DialogCreationDataFollowsEachFormat) {
  // DIALOG: the count includes its own word, so 6 announces 4 bytes.
  Bytes b;
  PutU32(b, 0x80000000);
  PutU32(b, 0);
  Put16(b, 2);  // two items
  for (int i = 0; i < 4; ++i) Put16(b, 0);
  Put16(b, 0);  // no menu
  Put16(b, 0);  // no class
  PutText(b, u"T");
  PadTo(b, 4);
  PutU32(b, 0x50000000);
  PutU32(b, 0);
  for (int i = 0; i < 4; ++i) Put16(b, 1);
  Put16(b, 11);
  Put16(b, 0xFFFF);
  Put16(b, 0x80);
  Put16(b, 0xFFFF);
  Put16(b, 3);  // an ordinal title
  Put16(b, 6);
  for (uint8_t v : {1, 2, 3, 4}) b.push_back(v);
  PadTo(b, 4);
  PutU32(b, 0x50000000);
  PutU32(b, 0);
  for (int i = 0; i < 4; ++i) Put16(b, 2);
  Put16(b, 12);
  PutText(b, u"Cls");
  PutText(b, u"Go");
  Put16(b, 1);  // a count of 1 announces nothing
  DialogTemplate d;
  ASSERT_TRUE(ReadDialogTemplate(b, d));
  EXPECT_FALSE(d.truncated);
  ASSERT_EQ(d.items.size(), 2u);
  EXPECT_EQ(d.items[0].creationData, (Bytes{1, 2, 3, 4}));
  EXPECT_TRUE(d.items[0].title.isOrdinal);
  EXPECT_EQ(d.items[1].windowClass.name, u"Cls");
  EXPECT_TRUE(d.items[1].creationData.empty());
  EXPECT_TRUE(d.trailing.empty());
  EXPECT_EQ(WriteDialogTemplate(d), b);

  // DIALOGEX: the count is the number of bytes after it; a menu by name.
  Bytes x = {1, 0, 0xFF, 0xFF};
  PutU32(x, 0);
  PutU32(x, 0);
  PutU32(x, 0x80000000);
  Put16(x, 1);
  for (int i = 0; i < 4; ++i) Put16(x, 0);
  PutText(x, u"MAINMENU");
  Put16(x, 0xFFFF);
  Put16(x, 0x8002);
  PutText(x, u"");
  PadTo(x, 4);
  PutU32(x, 7);
  PutU32(x, 0);
  PutU32(x, 0);
  for (int i = 0; i < 4; ++i) Put16(x, 0);
  PutU32(x, 0xFFFFFFFF);
  Put16(x, 0xFFFF);
  Put16(x, 0x82);
  PutText(x, u"");
  Put16(x, 4);
  for (uint8_t v : {9, 8, 7, 6}) x.push_back(v);
  x.push_back(0xEE);  // a byte after the last item, kept
  ASSERT_TRUE(ReadDialogTemplate(x, d));
  EXPECT_TRUE(d.extended);
  EXPECT_EQ(d.menu.name, u"MAINMENU");
  EXPECT_TRUE(d.windowClass.isOrdinal);
  ASSERT_EQ(d.items.size(), 1u);
  EXPECT_EQ(d.items[0].helpId, 7u);
  EXPECT_EQ(d.items[0].creationData, (Bytes{9, 8, 7, 6}));
  EXPECT_EQ(d.trailing, Bytes{0xEE});
  EXPECT_EQ(WriteDialogTemplate(d), x);

  // Creation data announced beyond the end: the item is not read.
  x.resize(x.size() - 2);
  ASSERT_TRUE(ReadDialogTemplate(x, d));
  EXPECT_TRUE(d.truncated);
  EXPECT_TRUE(d.items.empty());
  EXPECT_EQ(WriteDialogTemplate(d), x);
}

TEST(CodecRead, DialogItemCountBeyondTheData) {
  Bytes b;
  PutU32(b, 0);
  PutU32(b, 0);
  Put16(b, 0xFFFF);  // claims 65535 items
  for (int i = 0; i < 4; ++i) Put16(b, 0);
  Put16(b, 0);
  Put16(b, 0);
  Put16(b, 0);
  DialogTemplate d;
  ASSERT_TRUE(ReadDialogTemplate(b, d));
  EXPECT_TRUE(d.truncated);
  EXPECT_FALSE(d.headerCut);
  EXPECT_TRUE(d.items.empty());
  EXPECT_EQ(WriteDialogTemplate(d), b);
  // Fewer bytes than the fixed header.
  EXPECT_FALSE(ReadDialogTemplate(Prefix(b, 17), d));
  // A title without its terminator.
  b.resize(b.size() - 2);
  Put16(b, 'A');
  ASSERT_TRUE(ReadDialogTemplate(b, d));
  EXPECT_TRUE(d.headerCut);
  EXPECT_EQ(WriteDialogTemplate(d), b);
}

TEST(CodecRead, StringBlocksAndAccelerators) {
  Bytes b;
  for (int i = 0; i < 16; ++i) {
    Put16(b, i == 3 ? 2 : 0);
    if (i == 3) PutWide(b, u"Hi", false);
  }
  b.push_back(0x77);  // a stray byte after the 16 strings
  StringBlock block;
  ASSERT_TRUE(ReadStringBlock(b, block));
  EXPECT_EQ(block.strings[3], u"Hi");
  EXPECT_EQ(block.trailing, Bytes{0x77});
  EXPECT_EQ(WriteStringBlock(block), b);
  // A count longer than the data: the slot and those after it are not read.
  Bytes cut = {0, 0, 9, 0, 'A', 0};
  EXPECT_TRUE(ReadStringBlock(cut, block));
  EXPECT_TRUE(block.truncated);
  EXPECT_EQ(block.slotCount, 1u);
  EXPECT_TRUE(block.strings[1].empty());
  EXPECT_EQ(WriteStringBlock(block), cut);
  // A missing block is 16 empty strings, and written as nothing.
  EXPECT_TRUE(ReadStringBlock({}, block));
  EXPECT_TRUE(block.strings[15].empty());
  EXPECT_TRUE(WriteStringBlock(block).empty());
  EXPECT_EQ(StringIdOf(4096, 15), 65535u);

  AcceleratorTable table;
  const Bytes accel = {1, 0, 'A', 0, 5, 0, 0, 0, 0x81, 0, 'B', 0, 6, 0, 9, 9, 1, 2, 3};
  EXPECT_TRUE(ReadAcceleratorTable(accel, table));
  EXPECT_TRUE(table.truncated);
  ASSERT_EQ(table.entries.size(), 2u);
  EXPECT_EQ(table.entries[1].padding, 0x0909);
  EXPECT_EQ(table.trailing, (Bytes{1, 2, 3}));
  EXPECT_EQ(WriteAcceleratorTable(table), accel);
}
