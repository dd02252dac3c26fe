// The resource tree of a module as three levels of plain records (type,
// name, language), in the order the file stores them. The reader's views
// point into the module's bytes; the writer keeps its own copies.
#pragma once

#include <vector>

#include "pe/pe_image.h"
#include "pe/resources.h"

struct ResourceLangEntry {
  uint16_t lang = 0;
  ByteSpan data;
  uint32_t codePage = 0;
};
struct ResourceNameEntry {
  ResId name;
  std::vector<ResourceLangEntry> langs;
};
struct ResourceTypeEntry {
  ResId type;
  std::vector<ResourceNameEntry> names;
};
using ResourceTree = std::vector<ResourceTypeEntry>;

// Walks the tree that the resource data directory (index 2) points at.
// Offsets inside the tree are relative to its root and must stay inside the
// section that holds it; data entries are RVAs mapped through the section
// table. A broken entry (out of bounds, deeper than three levels, pointing
// back at a directory already visited, a number above 0xFFFF, a named
// language) is left out, and so is a name or type left with nothing in it.
// A module without a tree gives an empty one.
// `complete`, when given, tells whether every entry could be read: false
// when anything was left out as broken, so that an update never writes the
// module back without it. An empty directory is not broken, nor is a tree
// that no section holds (there is nothing of it to read).
ResourceTree ReadResourceTree(ByteSpan file, const PeImage& image, bool* complete = nullptr);

const ResourceTypeEntry* FindTypeEntry(const ResourceTree& tree, const ResId& type);
const ResourceNameEntry* FindNameEntry(const ResourceTypeEntry& type, const ResId& name);
