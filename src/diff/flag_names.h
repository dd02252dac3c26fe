// The names printed for the bits of a flag, type, state or style difference.
#pragma once

#include <cstdint>
#include <span>

#include "text/text.h"

// A row names the bits of `mask`: it is printed when the difference has any
// of them. Rows are printed in table order; some rows print two names.
struct FlagName {
  uint32_t mask;
  const char16_t* text;  // each name with its trailing space
};

extern const std::span<const FlagName> kMenuFlagNames;        // MF_, MENU item flags
extern const std::span<const FlagName> kMenuExTypeNames;      // MFT_, MENUEX item type
extern const std::span<const FlagName> kMenuExStateNames;     // MFS_, MENUEX item state
extern const std::span<const FlagName> kWindowStyleNames;     // WS_ and DS_, dialog and control style
extern const std::span<const FlagName> kWindowExStyleNames;   // WS_EX_, extended style

// The names of every row whose bits the difference has, concatenated.
WString FlagNamesOf(std::span<const FlagName> table, uint32_t difference);
