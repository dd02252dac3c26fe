// The comparers over templates made byte by byte: the cases a resource
// compiler does not produce (truncated templates, unnamed flag bits,
// ordinal fields, padding words, embedded NULs).
#include <gtest/gtest.h>

#include <array>

#include "diff/comparers.h"
#include "pe/byte_reader.h"
#include "driver/own_resources.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Resource {
  ResId type, name;
  Bytes data;
};

// A module made from the stub with the given resources (language 0x0409).
ModulePtr ModuleWith(const std::vector<Resource>& resources) {
  const ByteSpan stub = FindOwnResource(ResId::Str(u"DLL_STUB"), ResId::Int(kDllStubResource));
  auto update = BeginResourceUpdateFromBytes(Bytes(stub.begin(), stub.end()));
  EXPECT_TRUE(update);
  if (!update) return nullptr;
  for (const auto& r : resources) UpdateResourceItem(*update, r.type, r.name, 0x0409, r.data);
  Bytes file;
  EXPECT_TRUE(BuildUpdatedFile(*update, file));
  ModulePtr module = OpenModuleFromBytes(std::move(file));
  EXPECT_TRUE(module);
  return module;
}

struct Outcome {
  std::string report;   // the report's entries
  std::string console;  // the console's copy
};

// The same entries in the report and on the console.
void ExpectBoth(const Outcome& out, const std::string& expected) {
  EXPECT_EQ(out.report, expected);
  EXPECT_EQ(out.console, expected);
}

template <class Compare>
Outcome Compared(Compare compare, DiffOptions options = {}) {
  DiffReport report;
  report.options = options;
  compare(report);
  return {WideToUtf8(report.entries), WideToUtf8(report.console)};
}

void U16(Bytes& b, uint16_t v) { PutU16(b, v); }
void U32(Bytes& b, uint32_t v) { PutU32(b, v); }
void Text(Bytes& b, std::u16string_view s) { PutWide(b, s, true); }

struct MenuItemSpec {
  uint16_t flags;
  uint16_t id;
  std::u16string text;
};
Bytes MenuBytes(const std::vector<MenuItemSpec>& items) {
  Bytes b;
  U16(b, 0);
  U16(b, 0);
  for (const auto& i : items) {
    U16(b, i.flags);
    if (!(i.flags & 0x10)) U16(b, i.id);
    Text(b, i.text);
  }
  return b;
}

struct MenuExItemSpec {
  uint32_t type, state, id;
  uint16_t info;
  std::u16string text;
  uint32_t helpId = 0;
};
Bytes MenuExBytes(const std::vector<MenuExItemSpec>& items) {
  Bytes b;
  U16(b, 1);
  U16(b, 4);
  U32(b, 0);
  for (const auto& i : items) {
    U32(b, i.type);
    U32(b, i.state);
    U32(b, i.id);
    U16(b, i.info);
    Text(b, i.text);
    PadTo(b, 4);
    if (i.info & 1) U32(b, i.helpId);
  }
  return b;
}

void Field(Bytes& b, bool ordinal, uint16_t value, std::u16string_view name) {
  if (ordinal) {
    U16(b, 0xFFFF);
    U16(b, value);
  } else {
    Text(b, name);
  }
}

using Rectangle = std::array<uint16_t, 4>;  // x, y, cx, cy

struct ControlSpec {
  bool classOrdinal;
  uint16_t classValue;
  std::u16string className;
  bool titleOrdinal;
  uint16_t titleValue;
  std::u16string title;
  Rectangle rectangle = {5, 5, 5, 5};
};
// A DIALOG template without a font; `count` as stored, whatever follows.
Bytes DialogBytes(uint16_t count, bool menuOrdinal, uint16_t menuValue, std::u16string_view menu,
                  std::u16string_view windowClass, const std::vector<ControlSpec>& controls,
                  const Rectangle& rectangle = {10, 10, 10, 10}) {
  Bytes b;
  U32(b, 0x80C80000);
  U32(b, 0);
  U16(b, count);
  for (uint16_t v : rectangle) U16(b, v);
  Field(b, menuOrdinal, menuValue, menu);
  Text(b, windowClass);
  Text(b, u"T");
  for (const auto& c : controls) {
    PadTo(b, 4);
    U32(b, 0x50000000);
    U32(b, 0);
    for (uint16_t v : c.rectangle) U16(b, v);
    U16(b, 10);
    Field(b, c.classOrdinal, c.classValue, c.className);
    Field(b, c.titleOrdinal, c.titleValue, c.title);
    U16(b, 0);
  }
  return b;
}

const ResId kMenu = ResId::Int(kRtMenu), kDialog = ResId::Int(kRtDialog);

}  // namespace

TEST(DiffTemplates, MenuFlagDifferencesWithEndAndUnnamedBits) {
  const auto a = ModuleWith({{kMenu, ResId::Int(7), MenuBytes({{0x10, 0, u"P"}, {0x4000, 5, u"x"}, {0x480, 6, u"y"}})}});
  const auto b = ModuleWith({{kMenu, ResId::Int(7), MenuBytes({{0x90, 0, u"P"}, {0x0000, 5, u"x"}, {0x080, 6, u"y"}})}});
  const Outcome out = Compared([&](DiffReport& r) { CompareMenu(r, *a, *b, ResId::Int(7)); });
  const std::string expected =
      "Menu 7 changed\r\n"
      " - style changed (addition) in menu item id: 0 (position 1)\r\n   0x10 -> 0x90 (Diff: 0x80)\tMF_END \r\n\r\n"
      " - style changed (removal) in menu item id: 5 (position 2)\r\n   0x4000 -> 0x0 (Diff: 0x4000)\t"
      "MF_HELP MF_RIGHTJUSTIFY \r\n\r\n"
      " - style changed (removal) in menu item id: 6 (position 3)\r\n   0x480 -> 0x80 (Diff: 0x400)\t\r\n\r\n";
  ExpectBoth(out, expected);
}

TEST(DiffTemplates, MenusCutShortAreComparedAsFarAsTheyGo) {
  Bytes cut = MenuBytes({{0, 100, u"Open"}});
  U16(cut, 0);  // a second item that ends after its flags
  const auto a = ModuleWith({{kMenu, ResId::Int(1), cut}, {kMenu, ResId::Int(2), Bytes{0, 0}},
                             {kMenu, ResId::Int(3), Bytes{}}});
  const Bytes whole = MenuBytes({{0, 100, u"Open"}, {0x80, 101, u"Save"}});
  const auto b = ModuleWith({{kMenu, ResId::Int(1), whole}, {kMenu, ResId::Int(2), whole},
                             {kMenu, ResId::Int(3), whole}});
  const Outcome out = Compared([&](DiffReport& r) {
    for (uint16_t n = 1; n <= 3; ++n) CompareMenu(r, *a, *b, ResId::Int(n));
  });
  const std::string tooShort =
      " - id changed in menu item at position 1\r\n65535 -> 100\titem removed\r\n"
      " - id changed in menu item at position 2\r\n65535 -> 101\titem removed\r\n";
  EXPECT_EQ(out.report, "Menu 1 changed\r\n - id changed in menu item at position 2\r\n65535 -> 101\titem removed\r\n"
                        "Menu 2 changed\r\n" + tooShort + "Menu 3 changed\r\n" + tooShort);
}

TEST(DiffTemplates, MenuExIdsAndTextsUnderExcludeStrings) {
  const auto a = ModuleWith({{kMenu, ResId::Int(1),
                              MenuExBytes({{0, 0, 0xFFFF0000, 0, u"a"}, {0, 0, 0xFFFF0007, 0, u"b"},
                                           {0, 0, 9, 0x80, u"c"}})}});
  const auto b = ModuleWith({{kMenu, ResId::Int(1),
                              MenuExBytes({{0, 0, 0, 0, u"a"}, {0, 0, 7, 0, u"b"}, {0, 0, 8, 0x80, u"C"}})}});
  DiffOptions noStrings;
  noStrings.excludeStrings = true;
  const Outcome out = Compared([&](DiffReport& r) { CompareMenu(r, *a, *b, ResId::Int(1)); }, noStrings);
  // High bits 0xFFFF with low bits 0 keep all 32 bits; 0xFFFF0007 is 7. The
  // texts still decide between the two id-change words.
  EXPECT_EQ(out.report,
            "Menu 1 changed\r\n"
            " - id changed in menu item at position 1\r\n-65536 -> 0\tid change only\r\n"
            " - id changed in menu item at position 3\r\n9 -> 8\titem change (due to addition)\r\n");
}

TEST(DiffTemplates, DialogFieldsOrdinalsAndMissingItems) {
  const std::vector<ControlSpec> mine = {{true, 0x80, u"", true, 101, u""}, {false, 0, u"Foo", false, 0, u"a"}};
  const std::vector<ControlSpec> theirs = {{true, 0x82, u"", true, 102, u""}, {false, 0, u"Bar", false, 0, u"a"}};
  // Three controls announced, two present on both sides.
  const Bytes one = DialogBytes(3, true, 5, u"", u"", mine);
  const Bytes two = DialogBytes(3, false, 0, u"M", u"C", theirs);
  const auto a = ModuleWith({{kDialog, ResId::Int(9), one}});
  const auto b = ModuleWith({{kDialog, ResId::Int(9), two}});
  const Outcome out = Compared([&](DiffReport& r) { CompareDialog(r, *a, *b, ResId::Int(9)); });
  const std::string expected =
      "Dialog 9 changed (determined by the resource size &/or contents)\r\n[Original: " + std::to_string(one.size()) +
      " - Comparison: " + std::to_string(two.size()) + "]\r\n"
      "Menu changed: 65535 -> 77\r\n"
      "Window class changed: 0 -> 67\r\n"
      // Two predefined class ordinals: no class line.
      "Item #1\r\n - text changed: `#101'\r\n\t      -> `#102'\r\n"
      "Item #2\r\n - class changed: 70 -> 66\r\n"
      "\r\n";
  ExpectBoth(out, expected);
}

// Each coordinate of the dialog's and of a control's rectangle counts on
// its own.
TEST(DiffTemplates, EveryCoordinateOfARectangleIsCompared) {
  const auto text = [](const Rectangle& r) {
    return "[" + std::to_string(r[0]) + "," + std::to_string(r[1]) + "," + std::to_string(r[2]) + "," +
           std::to_string(r[3]) + "]";
  };
  for (size_t coordinate = 0; coordinate < 4; ++coordinate) {
    SCOPED_TRACE(coordinate);
    const Rectangle dialog = {10, 10, 10, 10}, control = {5, 5, 5, 5};
    Rectangle movedDialog = dialog, movedControl = control;
    movedDialog[coordinate] = 11;
    movedControl[coordinate] = 6;
    const ControlSpec button = {true, 0x80, u"", false, 0, u"a", control};
    ControlSpec movedButton = button;
    movedButton.rectangle = movedControl;
    const Bytes one = DialogBytes(1, true, 0, u"", u"", {button}, dialog);
    const auto a = ModuleWith({{kDialog, ResId::Int(1), one}, {kDialog, ResId::Int(2), one}});
    const auto b = ModuleWith({{kDialog, ResId::Int(1), DialogBytes(1, true, 0, u"", u"", {button}, movedDialog)},
                               {kDialog, ResId::Int(2), DialogBytes(1, true, 0, u"", u"", {movedButton}, dialog)}});
    const Outcome out = Compared([&](DiffReport& r) {
      CompareDialog(r, *a, *b, ResId::Int(1));
      CompareDialog(r, *a, *b, ResId::Int(2));
    });
    const std::string sizes = "[Original: " + std::to_string(one.size()) + " - Comparison: " +
                              std::to_string(one.size()) + "]\r\n";
    ExpectBoth(out, "Dialog 1 changed (determined by the resource size &/or contents)\r\n" + sizes +
                        "Size changed: " + text(dialog) + " -> " + text(movedDialog) + "\r\n\r\n"
                        "Dialog 2 changed (determined by the resource size &/or contents)\r\n" + sizes +
                        "Item #1\r\n - size changed: " + text(control) + " -> " + text(movedControl) + "\r\n\r\n");
  }
}

TEST(DiffTemplates, DialogsTooShortForTheirHeader) {
  const Bytes whole = DialogBytes(0, false, 0, u"", u"", {});
  const Bytes cut(whole.begin(), whole.begin() + 10);
  const Bytes exCut = {1, 0, 0xFF, 0xFF, 0, 0};
  const auto a = ModuleWith({{kDialog, ResId::Int(1), cut}, {kDialog, ResId::Int(2), exCut}});
  const auto b = ModuleWith({{kDialog, ResId::Int(1), whole}, {kDialog, ResId::Int(2), exCut}});
  const auto c = ModuleWith({{kDialog, ResId::Int(2), Bytes{1, 0, 0xFF, 0xFF, 0, 0, 0, 0}}});
  const Outcome out = Compared([&](DiffReport& r) {
    CompareDialog(r, *a, *b, ResId::Int(1));
    CompareDialog(r, *a, *b, ResId::Int(2));  // equal bytes: nothing
    CompareDialog(r, *a, *c, ResId::Int(2));
  });
  EXPECT_EQ(out.report,
            "Dialog 1 changed (determined by the resource size &/or contents)\r\n[Original: 10 - Comparison: " +
                std::to_string(whole.size()) + "]\r\n\r\n"
                "Dialog 2 changed (determined by the resource size &/or contents)\r\n[Original: 6 - Comparison: 8]\r\n\r\n");
}

TEST(DiffTemplates, AcceleratorPaddingAndPartialRecords) {
  Bytes one, two;
  for (Bytes* b : {&one, &two}) {
    U16(*b, 0x01);
    U16(*b, 'A');
    U16(*b, 100);
    U16(*b, b == &one ? 0 : 7);  // only the padding word differs
    U16(*b, 0x81);
    U16(*b, 'B');
    U16(*b, 101);
    U16(*b, 0);
  }
  two.insert(two.end(), {1, 2, 3, 4});  // a partial record is no entry
  const ResId accel = ResId::Int(kRtAccelerator);
  const auto a = ModuleWith({{accel, ResId::Int(4), one}, {accel, ResId::Str(u"KEYS"), one}});
  const auto b = ModuleWith({{accel, ResId::Int(4), two}, {accel, ResId::Str(u"KEYS"), Bytes(one.begin(), one.begin() + 8)}});
  const Outcome out = Compared([&](DiffReport& r) {
    CompareAccelerators(r, *a, *b, ResId::Int(4));
    CompareAccelerators(r, *a, *b, ResId::Str(u"KEYS"));
  });
  EXPECT_EQ(out.report,
            "Accelerator table: 4 - changed\r\n - entry #1 was changed\r\n"
            "Accelerator table: KEYS - changed\r\n - entry #2 was added\r\n");
}

TEST(DiffTemplates, StringBlocksAndTextsWithOddEnds) {
  Bytes cut;
  U16(cut, 5);
  PutWide(cut, u"Hello", false);
  U16(cut, 10);
  PutWide(cut, u"abc", false);  // announces 10 units, holds 3
  Bytes other;
  U16(other, 5);
  PutWide(other, u"Hallo", false);
  for (int i = 1; i < 16; ++i) U16(other, 0);
  const std::string utf16a("T\0e\0s\0t\0\0\0x\0!", 13), utf16b("T\0e\0s\0t\0\0\0y\0", 12);
  const ResId text = ResId::Str(u"TEXT");
  const auto a = ModuleWith({{ResId::Int(kRtString), ResId::Int(1), cut},
                             {text, ResId::Int(1), Bytes(utf16a.begin(), utf16a.end())}});
  const auto b = ModuleWith({{ResId::Int(kRtString), ResId::Int(1), other},
                             {text, ResId::Int(1), Bytes(utf16b.begin(), utf16b.end())}});
  const Outcome out = Compared([&](DiffReport& r) {
    CompareStringTable(r, *a, *b, ResId::Int(1));
    CompareTextResource(r, *a, *b, ResId::Int(1));
  });
  // The text is read up to its first NUL; the odd last byte is no unit.
  EXPECT_EQ(out.report,
            "String 0 changed\r\n + Hello\r\n - Hallo\r\n\r\n"
            "TEXT resource 1 changed\r\nChange happens after character position 4: Test\r\n(Text shown is all "
            "matching text upto the change. There may be other changes as well not detected)\r\n\r\n");
}
