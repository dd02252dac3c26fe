#include "pe/resource_tree.h"

#include <algorithm>

namespace {

constexpr uint32_t kHighBit = 0x80000000u;
constexpr size_t kDirectoryHeaderSize = 16, kDirectoryEntrySize = 8, kDataEntrySize = 16;

// The tree as one span (from its root to the end of the raw data of the
// section holding it) and the directories met so far on this walk.
struct TreeWalk {
  ByteSpan file;
  const PeImage* image = nullptr;
  ByteSpan tree;
  std::vector<uint32_t> visited;  // directory offsets, kept sorted
  bool broken = false;            // an entry was left out
};

struct RawEntry {
  uint32_t name = 0, offset = 0;
};

// An IMAGE_RESOURCE_DIRECTORY and its entries. False when the directory has
// been visited already or does not fit the tree.
bool ReadDirectory(TreeWalk& walk, uint32_t offset, std::vector<RawEntry>& entries) {
  const auto at = std::lower_bound(walk.visited.begin(), walk.visited.end(), offset);
  if (at != walk.visited.end() && *at == offset) return walk.broken = true, false;
  walk.visited.insert(at, offset);

  ByteReader r(walk.tree);
  uint16_t named = 0, numbered = 0;
  if (!r.Seek(offset) || r.Remaining() < kDirectoryHeaderSize) return walk.broken = true, false;
  r.Skip(12);  // characteristics, time stamp, version
  r.U16(named);
  r.U16(numbered);
  const size_t count = static_cast<size_t>(named) + numbered;
  if (count > r.Remaining() / kDirectoryEntrySize) return walk.broken = true, false;
  entries.resize(count);
  for (auto& e : entries) {
    r.U32(e.name);
    r.U32(e.offset);
  }
  return true;
}

// The entry's type, name or language: a counted UTF-16 name (IMAGE_RESOURCE_
// DIR_STRING_U) when the high bit is set, else a number below 0x10000.
bool ReadEntryId(const TreeWalk& walk, uint32_t field, ResId& id) {
  if (!(field & kHighBit)) {
    if (field > 0xffff) return false;
    id = ResId::Int(static_cast<uint16_t>(field));
    return true;
  }
  ByteReader r(walk.tree);
  uint16_t length = 0;
  WString name;
  if (!r.Seek(field & ~kHighBit) || !r.U16(length) || !r.CountedWide(length, name)) return false;
  id = ResId{true, 0, std::move(name)};
  return true;
}

// IMAGE_RESOURCE_DATA_ENTRY: the data's RVA, size and code page.
bool ReadDataEntry(const TreeWalk& walk, uint32_t offset, ResourceLangEntry& entry) {
  ByteReader r(walk.tree);
  uint32_t rva = 0, size = 0;
  if (!r.Seek(offset) || r.Remaining() < kDataEntrySize) return false;
  r.U32(rva);
  r.U32(size);
  r.U32(entry.codePage);
  size_t fileOffset = 0;
  if (!RvaToFileOffset(*walk.image, rva, size, fileOffset)) return false;
  entry.data = walk.file.subspan(fileOffset, size);
  return true;
}

void ReadLanguages(TreeWalk& walk, uint32_t offset, ResourceNameEntry& name) {
  std::vector<RawEntry> entries;
  if (!ReadDirectory(walk, offset, entries)) return;
  for (const RawEntry& e : entries) {
    ResId lang;
    ResourceLangEntry entry;
    // A language is a number, and its entry holds data, not a fourth level.
    if (!ReadEntryId(walk, e.name, lang) || lang.isName || (e.offset & kHighBit) ||
        !ReadDataEntry(walk, e.offset, entry)) {
      walk.broken = true;
      continue;
    }
    entry.lang = lang.id;
    name.langs.push_back(entry);
  }
}

void ReadNames(TreeWalk& walk, uint32_t offset, ResourceTypeEntry& type) {
  std::vector<RawEntry> entries;
  if (!ReadDirectory(walk, offset, entries)) return;
  for (const RawEntry& e : entries) {
    ResourceNameEntry name;
    if (!ReadEntryId(walk, e.name, name.name) || !(e.offset & kHighBit)) {
      walk.broken = true;
      continue;
    }
    ReadLanguages(walk, e.offset & ~kHighBit, name);
    if (!name.langs.empty()) type.names.push_back(std::move(name));
  }
}

}  // namespace

ResourceTree ReadResourceTree(ByteSpan file, const PeImage& image, bool* complete) {
  ResourceTree tree;
  if (complete) *complete = true;
  if (image.numberOfRvaAndSizes <= kDirResource) return tree;
  const PeDataDirectory dir = image.directories[kDirResource];
  if (dir.rva == 0) return tree;
  const int index = SectionOfRva(image, dir.rva);
  // A tree named where no section holds it has nothing that could be read,
  // so nothing that an update could lose: the module has none.
  if (index < 0) return tree;
  const PeSection& section = image.sections[static_cast<size_t>(index)];
  const uint32_t inSection = dir.rva - section.virtualAddress;
  if (inSection >= section.rawSize) return tree;

  TreeWalk walk;
  walk.file = file;
  walk.image = &image;
  walk.tree = file.subspan(section.rawPointer + static_cast<size_t>(inSection), section.rawSize - inSection);
  std::vector<RawEntry> entries;
  ReadDirectory(walk, 0, entries);  // a root it cannot read marks the walk broken
  for (const RawEntry& e : entries) {
    ResourceTypeEntry type;
    if (!ReadEntryId(walk, e.name, type.type) || !(e.offset & kHighBit)) {
      walk.broken = true;
      continue;
    }
    ReadNames(walk, e.offset & ~kHighBit, type);
    if (!type.names.empty()) tree.push_back(std::move(type));
  }
  if (complete) *complete = !walk.broken;
  return tree;
}

const ResourceTypeEntry* FindTypeEntry(const ResourceTree& tree, const ResId& type) {
  for (const auto& t : tree)
    if (SameResId(t.type, type)) return &t;
  return nullptr;
}

const ResourceNameEntry* FindNameEntry(const ResourceTypeEntry& type, const ResId& name) {
  for (const auto& n : type.names)
    if (SameResId(n.name, name)) return &n;
  return nullptr;
}
