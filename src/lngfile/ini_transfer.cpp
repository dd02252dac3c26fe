#include "lngfile/ini_transfer.h"

#include <algorithm>
#include <array>

#include "driver/console_output.h"
#include "driver/flows.h"
#include "lngfile/resource_access.h"
#include "lngfile/string_block.h"
#include "os/profile.h"

namespace {

// Identifier 65535 is the highest a string can have; a string's count is
// 16 bits, so no slot holds more units than that either.
constexpr size_t kMaxStringIdentifier = 0xFFFF;
constexpr size_t kMaxStringUnits = 0xFFFF;

// Blocks that hold identifiers 1 to `count`: block b holds (b - 1) * 16 to
// (b - 1) * 16 + 15, so identifier `count` is in block count / 16 + 1.
uint32_t BlocksForItems(size_t count) { return count == 0 ? 0 : static_cast<uint32_t>(count / 16 + 1); }

// The replacements of one block, taken from the list in position order.
struct BlockReplacements {
  std::array<bool, 16> present{};
  std::array<WString, 16> text;
};

BlockReplacements TakeBlockReplacements(TransferState& state, uint32_t block) {
  BlockReplacements out;
  for (uint32_t position = 0; position < 16; ++position)
    out.present[position] = NextTransferString(state, block, position, out.text[position]);
  return out;
}

}  // namespace

uint32_t KeyNumber(WStringView key) {
  uint64_t number = 0;
  for (char16_t c : key) {
    if (c < u'0' || c > u'9') break;
    number = std::min<uint64_t>(number * 10 + (c - u'0'), UINT32_MAX);
  }
  return static_cast<uint32_t>(number);
}

void AddTransferItem(TransferState& state, WStringView key, WStringView value) {
  const uint64_t number = KeyNumber(key);
  const size_t count = state.items.size();
  if (number > count + 1) {
    // One placeholder per missing key, so that keys land on their own
    // numbers; none beyond the last identifier, where nothing can land.
    const uint64_t gap = number - count - 1;
    const size_t room = count < kMaxStringIdentifier ? kMaxStringIdentifier - count : 0;
    state.items.resize(count + static_cast<size_t>(std::min<uint64_t>(gap, room)), TransferItem{true, {}});
  }
  state.items.push_back(TransferItem{false, WString(value)});
}

bool NextTransferString(TransferState& state, uint32_t block, uint32_t position, WString& text) {
  if (block == kLastStringBlock && position == 15) return false;
  if (block == 1 && position == 0 && !state.firstSlotPassed) {
    state.firstSlotPassed = true;
    return false;
  }
  if (state.next >= state.items.size()) return false;
  const TransferItem& item = state.items[state.next++];
  if (item.placeholder) return false;
  text = item.value;
  return true;
}

bool BuildTransferBlock(TransferState& state, const Module* module, uint32_t block, uint16_t language,
                        TransferBlock& out) {
  if (block == 0 || block > kLastStringBlock) return false;
  const ResId type = ResId::Int(kRtString);
  const ResId name = ResId::Int(static_cast<uint16_t>(block));

  // The items are taken even when the block cannot be written, so that the
  // blocks after it still receive the items meant for them.
  const BlockReplacements replacements = TakeBlockReplacements(state, block);
  if (std::none_of(replacements.present.begin(), replacements.present.end(), [](bool p) { return p; }))
    return false;  // nothing for this block: it stays as it is

  // The block as it is, in the language it is stored in: a copy that exists
  // only in language 0 is replaced in language 0, not shadowed by a second.
  StringBlock strings;
  if (module) {
    ByteSpan data;
    uint16_t found = language;
    if (FindResourceData(*module, type, name, &language, data, &found)) {
      ReadStringBlock(data, strings);
      language = found;
    }
  }
  // Written back whole, as 16 counted strings: a truncated block is
  // completed with empty slots, and nothing follows the last.
  strings.slotCount = strings.strings.size();
  strings.truncated = false;
  strings.trailing.clear();
  for (size_t position = 0; position < 16; ++position) {
    if (!replacements.present[position]) continue;
    strings.strings[position] = replacements.text[position].substr(0, kMaxStringUnits);
  }
  out.block = static_cast<uint16_t>(block);
  out.language = language;
  out.bytes = WriteStringBlock(strings);
  return true;
}

bool WriteTransferBlocks(const Messages& messages, const WString& languageFile,
                         const std::vector<TransferBlock>& blocks) {
  if (blocks.empty()) return true;
  ResourceUpdatePtr update = BeginResourceUpdate(languageFile);
  if (!update) {
    for (size_t i = 0; i < blocks.size(); ++i)
      OutputMessage(messages, u"Failed to commit the updates to the lng file (%s) - invalid file passed\r\n",
                    languageFile);
    return false;
  }
  for (const TransferBlock& block : blocks)
    UpdateResourceItem(*update, ResId::Int(kRtString), ResId::Int(block.block), block.language, block.bytes);
  if (!CommitResourceUpdate(std::move(update))) {
    for (size_t i = 0; i < blocks.size(); ++i)
      OutputMessage(messages, u"Failed to commit the updates to file (%s)\r\n", languageFile);
    return false;
  }
  return true;
}

void TransferIniStrings(const Messages& messages, const WString& languageFile, const WString& iniPath) {
  TransferState state;
  uint16_t language = kLangUserDefault;
  if (!ProbeResource(languageFile, ResId::Int(kRtString), ResId::Int(kLastStringBlock), language)) return;

  ProfileDocument doc;
  LoadProfile(iniPath, doc);
  const std::vector<WString> sections = ProfileSectionNames(doc);
  if (sections.empty()) return;

  int detected = 0;
  for (const WString& section : sections) {
    for (const WString& key : ProfileKeyNames(doc, section)) {
      WString value;
      ProfileValue(doc, section, key, value);
      AddTransferItem(state, key, value);
      ++detected;
    }
  }

  const uint32_t blocks = BlocksForItems(state.items.size());
  OutputMessage(messages, u"Detected %d strings to transfer [equals %d stringtable blocks]\r\n", detected, blocks);
  // Writing one block changes no other, so every block is read from the
  // file as it is before the transfer, in one read. Blocks past 4096 would
  // hold identifiers above 65535, which no string has.
  std::vector<TransferBlock> written;
  {
    const ModulePtr module = LoadModuleAsData(languageFile);
    for (uint32_t block = 1; block <= std::min(blocks, kLastStringBlock); ++block) {
      TransferBlock out;
      if (BuildTransferBlock(state, module.get(), block, language, out)) written.push_back(std::move(out));
    }
  }  // released before the update begins
  WriteTransferBlocks(messages, languageFile, written);
}

void IniTxCommand(const Messages& messages, const WString& languageFile, const WString& iniPath) {
  OutputMessage(messages, u"Attempting to transfer ini strings into lng file...\r\n");
  TransferIniStrings(messages, languageFile, iniPath);
  OutputMessage(messages, u"Completed ini string to lng file transfer\r\n");
}
