// /ini_tx: the values of an INI file, in file order, replace the strings
// with identifiers 1, 2, 3 and so on of a language file's string table. All
// blocks go into one resource update with one commit, so a transfer that
// fails leaves the file as it was.
#pragma once

#include <cstdint>
#include <vector>

#include "driver/console_output.h"
#include "pe/resources.h"
#include "text/text.h"

// One value of the INI file, meant for string identifier (index + 1). A
// placeholder stands for a missing key and keeps the file's own string.
struct TransferItem {
  bool placeholder = false;
  WString value;
};

// The state of one transfer: the items and the next one to hand out.
struct TransferState {
  std::vector<TransferItem> items;
  size_t next = 0;
  bool firstSlotPassed = false;  // identifier 0 never takes an item
};

// The block holding the pack-list identifier 65535 (and the last block any
// identifier can be in).
constexpr uint32_t kLastStringBlock = 4096;

// The number an INI key name stands for: its leading decimal digits
// (saturating), 0 when it has none.
uint32_t KeyNumber(WStringView key);

// Appends one key's value, preceded by a placeholder for every key missing
// before it (numbering only detects gaps: a key numbered at or below the
// item count is simply appended). The list never grows past the identifiers
// a string table has through placeholders alone.
void AddTransferItem(TransferState& state, WStringView key, WStringView value);

// The replacement for position `position` of block `block`, in order:
// identifier 65535 and the very first slot (identifier 0) take no item; a
// placeholder or the end of the list gives no replacement.
bool NextTransferString(TransferState& state, uint32_t block, uint32_t position, WString& text);

// One string table block as it is to be written: its number, the language
// of the copy it replaces and the 16 counted strings.
struct TransferBlock {
  uint16_t block = 0;
  uint16_t language = 0;
  std::vector<uint8_t> bytes;
};

// Takes the next items for block `block` and, when any of them replaces a
// string, the block of `module` (null: not readable, all slots empty)
// with those strings in place. False when the block takes no replacement
// and stays as it is.
bool BuildTransferBlock(TransferState& state, const Module* module, uint32_t block, uint16_t language,
                        TransferBlock& out);

// Writes the blocks into the language file in one update and one commit.
// A failure is told once per block, as the per-block updates of the
// command's message set would tell it: the begin failure, or else the
// commit failure, once for each block. True when committed.
bool WriteTransferBlocks(const Messages& messages, const WString& languageFile,
                         const std::vector<TransferBlock>& blocks);

// The whole transfer. Stops silently when the language file has no block
// 4096 or the INI file has no sections.
void TransferIniStrings(const Messages& messages, const WString& languageFile, const WString& iniPath);
