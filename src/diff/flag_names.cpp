#include "diff/flag_names.h"

namespace {

constexpr FlagName kMf[] = {
    {0x0001, u"MF_GRAYED "},
    {0x0002, u"MF_DISABLED "},
    {0x0004, u"MF_BITMAP "},
    {0x0008, u"MF_CHECKED "},
    {0x0010, u"MF_POPUP "},
    {0x0020, u"MF_MENUBARBREAK "},
    {0x0040, u"MF_MENUBREAK "},
    {0x0080, u"MF_END "},
    {0x0100, u"MF_OWNERDRAW "},
    {0x0200, u"MF_USECHECKBITMAPS "},
    {0x0800, u"MF_SEPARATOR "},
    {0x1000, u"MF_DEFAULT "},
    {0x2000, u"MF_SYSMENU "},
    {0x4000, u"MF_HELP MF_RIGHTJUSTIFY "},
    {0x8000, u"MF_MOUSESELECT "},
};

constexpr FlagName kMft[] = {
    {0x0004, u"MFT_BITMAP "},
    {0x0020, u"MFT_MENUBARBREAK "},
    {0x0040, u"MFT_MENUBREAK "},
    {0x0100, u"MFT_OWNERDRAW "},
    {0x0200, u"MFT_RADIOCHECK "},
    {0x0800, u"MFT_SEPARATOR "},
    {0x2000, u"MFT_RIGHTORDER "},
    {0x4000, u"MFT_RIGHTJUSTIFY "},
};

constexpr FlagName kMfs[] = {
    {0x0003, u"MFS_GRAYED MFS_DISABLED "},
    {0x0008, u"MFS_CHECKED "},
    {0x0080, u"MFS_HILITE "},
    {0x1000, u"MFS_DEFAULT "},
};

// WS_GROUP and WS_MINIMIZEBOX share a bit, as do WS_TABSTOP and
// WS_MAXIMIZEBOX: each bit prints both names, the control meaning first.
constexpr FlagName kWs[] = {
    {0x40000000, u"WS_CHILD "},
    {0x20000000, u"WS_MINIMIZE "},
    {0x10000000, u"WS_VISIBLE "},
    {0x08000000, u"WS_DISABLED "},
    {0x04000000, u"WS_CLIPSIBLINGS "},
    {0x02000000, u"WS_CLIPCHILDREN "},
    {0x01000000, u"WS_MAXIMIZE "},
    {0x00C00000, u"WS_CAPTION "},
    {0x00800000, u"WS_BORDER "},
    {0x00400000, u"WS_DLGFRAME "},
    {0x00200000, u"WS_VSCROLL "},
    {0x00100000, u"WS_HSCROLL "},
    {0x00080000, u"WS_SYSMENU "},
    {0x00040000, u"WS_THICKFRAME "},
    {0x00020000, u"WS_GROUP "},
    {0x00010000, u"WS_TABSTOP "},
    {0x00020000, u"WS_MINIMIZEBOX "},
    {0x00010000, u"WS_MAXIMIZEBOX "},
    {0x00000008, u"DS_FIXEDSYS "},
    {0x00000400, u"DS_CONTROL "},
};

constexpr FlagName kWsEx[] = {
    {0x00000001, u"WS_EX_DLGMODALFRAME "},
    {0x00000004, u"WS_EX_NOPARENTNOTIFY "},
    {0x00000008, u"WS_EX_TOPMOST "},
    {0x00000010, u"WS_EX_ACCEPTFILES "},
    {0x00000020, u"WS_EX_TRANSPARENT "},
    {0x00000040, u"WS_EX_MDICHILD "},
    {0x00000080, u"WS_EX_TOOLWINDOW "},
    {0x00000100, u"WS_EX_WINDOWEDGE "},
    {0x00000200, u"WS_EX_CLIENTEDGE "},
    {0x00000400, u"WS_EX_CONTEXTHELP "},
    {0x00001000, u"WS_EX_RIGHT "},
    {0x00002000, u"WS_EX_RTLREADING "},
    {0x00004000, u"WS_EX_LEFTSCROLLBAR "},
    {0x00010000, u"WS_EX_CONTROLPARENT "},
    {0x00020000, u"WS_EX_STATICEDGE "},
    {0x00040000, u"WS_EX_APPWINDOW "},
    {0x00080000, u"WS_EX_LAYERED "},
    {0x00100000, u"WS_EX_NOINHERITLAYOUT "},
    {0x00400000, u"WS_EX_LAYOUTRTL "},
    {0x02000000, u"WS_EX_COMPOSITED "},
    {0x08000000, u"WS_EX_NOACTIVATE "},
};

}  // namespace

const std::span<const FlagName> kMenuFlagNames(kMf);
const std::span<const FlagName> kMenuExTypeNames(kMft);
const std::span<const FlagName> kMenuExStateNames(kMfs);
const std::span<const FlagName> kWindowStyleNames(kWs);
const std::span<const FlagName> kWindowExStyleNames(kWsEx);

WString FlagNamesOf(std::span<const FlagName> table, uint32_t difference) {
  WString names;
  for (const auto& row : table)
    if (difference & row.mask) names += row.text;
  return names;
}
