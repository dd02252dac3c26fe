// The writer's model of a resource tree and the layout of the resource
// section it is written as (IMAGE_RESOURCE_DIRECTORY and friends).
#pragma once

#include <map>
#include <vector>

#include "pe/resources.h"

// The sort key of a directory entry: named entries first, ordered by the
// raw UTF-16 code units of their upper-cased names (a shorter name first on
// a shared prefix), then numbered entries ascending.
struct ResourceKey {
  bool isName = false;
  uint16_t id = 0;
  WString name;  // upper-cased
};
bool operator<(const ResourceKey& a, const ResourceKey& b);
ResourceKey KeyOf(const ResId& id);

// One language of one resource: bytes the update owns, or a view into the
// original file that the update keeps.
struct ResourceItem {
  std::vector<uint8_t> owned;
  ByteSpan view;
  bool isOwned = false;
  uint32_t codePage = 0;
  ByteSpan Bytes() const { return isOwned ? ByteSpan(owned) : view; }
};
using LanguageMap = std::map<uint16_t, ResourceItem>;
using NameMap = std::map<ResourceKey, LanguageMap>;
using TypeMap = std::map<ResourceKey, NameMap>;

// The bytes of a resource section for that tree placed at `sectionRva`:
// the directories (root first, then breadth first; headers with
// characteristics 0, time stamp 0, version 4.0), the data entries, the name
// strings (a 16-bit length and the characters), then the data, each item
// aligned to 8 bytes. An empty tree gives an empty root directory.
// False when the section would not fit the 32-bit address space.
bool BuildResourceSection(const TypeMap& types, uint32_t sectionRva, std::vector<uint8_t>& out);
// The size BuildResourceSection would produce.
uint64_t ResourceSectionSize(const TypeMap& types);
