// The translatable texts of a module's string tables, menus and dialogs,
// each with a key that names the same text in every version of the module
// and in its language file: what /po_export writes as msgctxt and
// /po_import puts translations back by.
//
// Keys (the resource is its number in decimal, or its name):
//   STRINGTABLE/<string id>
//   MENU/<menu>/<item id>         an item whose id no other item of the
//   MENU/<menu>/#<i>.<j>...       menu has (and not 0), else its position:
//                                 the item's index at each level, from 0
//   DIALOG/<dialog>               the caption
//   DIALOG/<dialog>/<control id>  a control whose id no other control of
//   DIALOG/<dialog>/#<index>      the dialog has (and not 0 or -1), else
//                                 its index, from 0
// String 65535 (the pack list's key), separators, empty texts and titles
// given by ordinal have no key: they are not translated.
#pragma once

#include <cstdint>
#include <vector>

#include "lngfile/dialog_template.h"
#include "lngfile/menu_template.h"
#include "pe/resources.h"
#include "text/text.h"

enum class TextKind { String, MenuItem, DialogCaption, DialogControl };

struct ResourceText {
  TextKind kind = TextKind::String;
  WString key;
  WString text;
  uint32_t id = 0;  // string, item or control id (the dialog's own for a caption)
  // What the translator is told about its place: the popups above a menu
  // item (outermost first); a control's class; a dialog's or control's
  // size in dialog units.
  std::vector<WString> popups;
  WString controlClass;
  int16_t cx = 0, cy = 0;
};

// The keys of a template's texts, one per item (the caption's is
// DialogCaptionKey); empty for an item that is not translated.
WString StringTextKey(uint32_t id);
std::vector<WString> MenuTextKeys(const ResId& menu, const MenuTemplate& items);
std::vector<WString> MenuExTextKeys(const ResId& menu, const MenuExTemplate& items);
WString DialogCaptionKey(const ResId& dialog);
std::vector<WString> DialogControlKeys(const ResId& dialog, const DialogTemplate& items);

// The texts of one resource of type 4, 5 or 6 in template order, added to
// `out` (none for a template that cannot be read whole).
void AddResourceTexts(const ResId& type, const ResId& name, ByteSpan data, std::vector<ResourceText>& out);
// Every text of the module, in its resource order (default language).
std::vector<ResourceText> ReadModuleTexts(const Module& module);
