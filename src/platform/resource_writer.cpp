// Writing side of the resource engine (Begin/Update/EndUpdateResourceW):
// the tree is read into memory at begin; the commit lays out a new resource
// section, places it in a complete new image and replaces the file only
// when that image is whole.
#include <algorithm>

#include "platform/files.h"
#include "platform/pe_image.h"
#include "platform/resource_section.h"
#include "platform/resource_tree.h"
#include "platform/resources.h"

struct ResourceUpdate {
  WString path;
  std::vector<uint8_t> file;  // the file as read at begin; unchanged views point in here
  PeImage image;
  TypeMap types;
};

void ResourceUpdateDeleter::operator()(ResourceUpdate* update) const { delete update; }

ResourceUpdatePtr BeginResourceUpdateFromBytes(std::vector<uint8_t> bytes) {
  ResourceUpdatePtr update(new ResourceUpdate{{}, std::move(bytes), {}, {}});
  if (!ParsePeImage(update->file, update->image)) {
    SetLastErrorCode(kErrorBadExeFormat);
    return nullptr;
  }
  bool complete = true;
  const ResourceTree tree = ReadResourceTree(update->file, update->image, &complete);
  if (!complete) {
    // A commit would write the module back without what could not be read.
    SetLastErrorCode(kErrorInvalidData);
    return nullptr;
  }
  for (const ResourceTypeEntry& type : tree) {
    NameMap& names = update->types[KeyOf(type.type)];
    for (const ResourceNameEntry& name : type.names) {
      LanguageMap& langs = names[KeyOf(name.name)];
      for (const ResourceLangEntry& lang : name.langs) {
        // The first copy of a language wins, as a lookup would find it.
        if (langs.count(lang.lang)) continue;
        ResourceItem& item = langs[lang.lang];
        item.view = lang.data;
        item.codePage = lang.codePage;
      }
    }
  }
  return update;
}

ResourceUpdatePtr BeginResourceUpdate(const WString& path) {
  std::vector<uint8_t> bytes;
  // Opened as a writer would open it: a read-only file fails here with 5,
  // not at the commit.
  if (!ReadWritableFile(path, bytes)) return nullptr;
  ResourceUpdatePtr update = BeginResourceUpdateFromBytes(std::move(bytes));
  if (update) update->path = path;
  return update;
}

void UpdateResourceItem(ResourceUpdate& update, const ResId& type, const ResId& name, uint16_t lang,
                        ByteSpan data) {
  LanguageMap& langs = update.types[KeyOf(type)][KeyOf(name)];
  auto found = langs.find(lang);
  const uint32_t codePage = found != langs.end() ? found->second.codePage : 0;
  ResourceItem& item = langs[lang];
  item.owned.assign(data.begin(), data.end());
  item.isOwned = true;
  item.view = ByteSpan();
  item.codePage = codePage;
}

void DeleteResourceItem(ResourceUpdate& update, const ResId& type, const ResId& name, uint16_t lang) {
  auto t = update.types.find(KeyOf(type));
  if (t == update.types.end()) return;
  auto n = t->second.find(KeyOf(name));
  if (n == t->second.end()) return;
  n->second.erase(lang);
  if (n->second.empty()) t->second.erase(n);
  if (t->second.empty()) update.types.erase(t);
}

namespace {

uint32_t VirtualSpan(const PeSection& s) { return s.virtualSize ? s.virtualSize : s.rawSize; }

bool InSection(const PeSection& s, uint32_t rva) {
  return rva >= s.virtualAddress && rva - s.virtualAddress < VirtualSpan(s);
}

// Data directories hold RVAs, except the certificate table's file offset.
bool DirectoryPointsInto(const PeImage& image, size_t skip, const PeSection& s) {
  for (size_t i = 0; i < image.numberOfRvaAndSizes; ++i) {
    if (i == skip || i == kDirCertificate) continue;
    const PeDataDirectory& d = image.directories[i];
    if (d.rva != 0 && d.size != 0 && InSection(s, d.rva)) return true;
  }
  return false;
}

// The old resource section holds nothing but the tree: the tree starts at
// its start and no other data directory points into it.
bool HoldsOnlyTree(const PeImage& image, const PeSection& s) {
  return image.directories[kDirResource].rva == s.virtualAddress && !DirectoryPointsInto(image, kDirResource, s);
}

// A section that nothing refers to by address, so that it may move: the
// base relocations, or a discardable section no data directory points into.
// A section that is not discardable may be addressed by code, which no
// fix-up here could follow, so it never moves.
bool IsMovable(const PeImage& image, const PeSection& s) {
  if (s.name == ".reloc") return true;
  return (s.characteristics & kSectionDiscardable) && !DirectoryPointsInto(image, SIZE_MAX, s);
}

// How the new file is laid out: the sections with their new headers and
// contents, and how old file offsets and RVAs map to new ones.
struct Placement {
  std::vector<PeSection> sections;  // new headers, in table order
  std::vector<ByteSpan> contents;   // raw data of each (empty span: zero-filled)
  int resourceSection = -1;
  uint32_t resourceRva = 0;
  // Sections from `firstMoved` on moved by these deltas.
  size_t firstMoved = SIZE_MAX;
  uint32_t movedVaDelta = 0, movedFileDelta = 0;
  size_t renamedOld = SIZE_MAX;  // an old ".rsrc" left unreferenced
};

struct Commit {
  const ResourceUpdate* update = nullptr;
  const PeImage* image = nullptr;
  std::vector<uint8_t> tree;  // the new resource section's bytes
  Placement placement;
};

int OldResourceSection(const PeImage& image) {
  if (image.numberOfRvaAndSizes <= kDirResource || image.directories[kDirResource].rva == 0) return -1;
  return SectionOfRva(image, image.directories[kDirResource].rva);
}

uint32_t FirstRawData(const PeImage& image) {
  uint32_t first = UINT32_MAX;
  for (const auto& s : image.sections)
    if (s.rawSize) first = std::min(first, s.rawPointer);
  return first;
}

bool IsLastSection(const PeImage& image, size_t index) {
  const PeSection& r = image.sections[index];
  if (index + 1 != image.sections.size()) return false;
  for (size_t i = 0; i < index; ++i) {
    const PeSection& s = image.sections[i];
    if (s.virtualAddress >= r.virtualAddress) return false;
    if (s.rawSize && r.rawSize && s.rawPointer >= r.rawPointer) return false;
  }
  return true;
}

// Every section after `index` may move, and lies after it in memory and in
// the file.
bool OnlyMovableFollow(const PeImage& image, size_t index) {
  const PeSection& r = image.sections[index];
  for (size_t i = index + 1; i < image.sections.size(); ++i) {
    const PeSection& s = image.sections[i];
    if (!IsMovable(image, s) || s.virtualAddress < r.virtualAddress + uint64_t{VirtualSpan(r)}) return false;
    if (s.rawSize && s.rawPointer < uint64_t{r.rawPointer} + r.rawSize) return false;
  }
  for (size_t i = 0; i < index; ++i)
    if (image.sections[i].virtualAddress > r.virtualAddress) return false;
  return true;
}

// Room for one more section header: inside SizeOfHeaders, before the first
// section's data, over bytes that are zero and that no directory uses.
bool HeaderSlotFree(const std::vector<uint8_t>& file, const PeImage& image) {
  const uint64_t slot = image.sectionTableOffset + kSectionHeaderSize * image.sections.size();
  const uint64_t end = slot + kSectionHeaderSize;
  if (end > image.sizeOfHeaders || end > FirstRawData(image) || end > file.size()) return false;
  if (image.sections.size() >= 0xffff) return false;
  for (uint64_t i = slot; i < end; ++i)
    if (file[i] != 0) return false;
  for (size_t i = 0; i < image.numberOfRvaAndSizes; ++i) {
    const PeDataDirectory& d = image.directories[i];
    if (i != kDirCertificate && d.size && d.rva < end && uint64_t{d.rva} + d.size > slot) return false;
  }
  return true;
}

// Whether the file range [start, end) may be rewritten: it touches neither
// the headers nor the raw data of any section below `firstOther` other
// than `self` (sections from `firstOther` on move out of the way).
bool RawRangeFree(const PeImage& image, size_t self, size_t firstOther, uint64_t start, uint64_t end) {
  const uint64_t headersEnd =
      std::max<uint64_t>(image.sizeOfHeaders, image.sectionTableOffset + kSectionHeaderSize * image.sections.size());
  if (start < headersEnd) return false;
  for (size_t i = 0; i < std::min(firstOther, image.sections.size()); ++i) {
    const PeSection& s = image.sections[i];
    if (i == self || !s.rawSize) continue;
    if (s.rawPointer < end && uint64_t{s.rawPointer} + s.rawSize > start) return false;
  }
  return true;
}

ByteSpan RawData(const std::vector<uint8_t>& file, const PeSection& s) {
  return s.rawSize ? ByteSpan(file).subspan(s.rawPointer, s.rawSize) : ByteSpan();
}

// Chooses where the new tree goes, in this order of preference:
// (1) in place, when the old section holds only the tree and it fits;
// (2) grown in place, when that section is the last;
// (3) grown, moving the movable sections after it further on;
// (4) in a new section after the last one, leaving the old one unused;
// otherwise the commit fails.
bool PlaceTree(Commit& c, uint64_t treeSize) {
  const PeImage& image = *c.image;
  const std::vector<uint8_t>& file = c.update->file;
  Placement& p = c.placement;
  const uint32_t fa = image.fileAlignment, sa = image.sectionAlignment;
  p.sections = image.sections;
  for (const auto& s : image.sections) p.contents.push_back(RawData(file, s));

  const int old = OldResourceSection(image);
  if (old >= 0 && HoldsOnlyTree(image, image.sections[static_cast<size_t>(old)])) {
    const size_t index = static_cast<size_t>(old);
    PeSection& r = p.sections[index];
    const bool fits = treeSize <= r.rawSize && RawRangeFree(image, index, SIZE_MAX, r.rawPointer,
                                                            uint64_t{r.rawPointer} + r.rawSize);
    // Growing needs the section's data in the file to start from.
    const bool last = r.rawSize && IsLastSection(image, index) && RawRangeFree(image, index, SIZE_MAX, r.rawPointer, UINT64_MAX);
    const bool movable = r.rawSize && OnlyMovableFollow(image, index) &&
                         RawRangeFree(image, index, index + 1, r.rawPointer, UINT64_MAX);
    if (fits || last || movable) {
      p.resourceSection = old;
      p.resourceRva = r.virtualAddress;
      r.virtualSize = static_cast<uint32_t>(treeSize);
      if (fits) return true;  // (1)
      const uint64_t oldRawEnd = AlignUp(uint64_t{r.rawPointer} + r.rawSize, fa);
      const uint64_t newRawSize = AlignUp(treeSize, fa);
      if (uint64_t{r.rawPointer} + newRawSize > UINT32_MAX) return false;
      r.rawSize = static_cast<uint32_t>(newRawSize);
      if (last) return true;  // (2)
      // (3): every later section keeps its distance to the others.
      uint64_t firstVa = UINT64_MAX, firstRaw = oldRawEnd;
      for (size_t i = index + 1; i < image.sections.size(); ++i) {
        firstVa = std::min<uint64_t>(firstVa, image.sections[i].virtualAddress);
        if (image.sections[i].rawSize) firstRaw = std::min<uint64_t>(firstRaw, image.sections[i].rawPointer);
      }
      const uint64_t neededVa = AlignUp(uint64_t{r.virtualAddress} + treeSize, sa);
      const uint64_t vaDelta = neededVa > firstVa ? AlignUp(neededVa - firstVa, sa) : 0;
      const uint64_t neededRaw = AlignUp(uint64_t{r.rawPointer} + newRawSize, fa);
      const uint64_t fileDelta = neededRaw > firstRaw ? AlignUp(neededRaw - firstRaw, fa) : 0;
      p.firstMoved = index + 1;
      p.movedVaDelta = static_cast<uint32_t>(vaDelta);
      p.movedFileDelta = static_cast<uint32_t>(fileDelta);
      for (size_t i = index + 1; i < p.sections.size(); ++i) {
        PeSection& s = p.sections[i];
        if (uint64_t{s.virtualAddress} + vaDelta + VirtualSpan(s) > UINT32_MAX) return false;
        if (uint64_t{s.rawPointer} + fileDelta + s.rawSize > UINT32_MAX) return false;
        s.virtualAddress += static_cast<uint32_t>(vaDelta);
        if (s.rawSize) s.rawPointer += static_cast<uint32_t>(fileDelta);
      }
      return true;
    }
  }

  // (4) A new section after the last one.
  if (!HeaderSlotFree(file, image)) return false;
  uint64_t endVa = AlignUp(image.sizeOfHeaders, sa);
  for (const auto& s : image.sections) endVa = std::max(endVa, AlignUp(uint64_t{s.virtualAddress} + VirtualSpan(s), sa));
  const uint64_t rawPointer = AlignUp(EndOfSectionData(image), fa), rawSize = AlignUp(treeSize, fa);
  if (endVa + treeSize > UINT32_MAX || rawPointer + rawSize > UINT32_MAX) return false;
  PeSection s;
  s.name = ".rsrc";
  s.virtualSize = static_cast<uint32_t>(treeSize);
  s.virtualAddress = static_cast<uint32_t>(endVa);
  s.rawSize = static_cast<uint32_t>(rawSize);
  s.rawPointer = static_cast<uint32_t>(rawPointer);
  s.characteristics = kSectionInitializedData | kSectionRead;
  s.header.fill(0);
  p.sections.push_back(s);
  p.contents.push_back(ByteSpan());
  p.resourceSection = static_cast<int>(p.sections.size() - 1);
  p.resourceRva = s.virtualAddress;
  // An independent reader that looks for the tree by section name must not
  // find the old one.
  if (old >= 0 && image.sections[static_cast<size_t>(old)].name.rfind(".rsrc", 0) == 0) {
    p.renamedOld = static_cast<size_t>(old);
    p.sections[p.renamedOld].name = ".oldrsrc";
  }
  return true;
}

void WriteSectionHeader(std::vector<uint8_t>& out, size_t at, const PeSection& s) {
  std::copy(s.header.begin(), s.header.end(), out.begin() + static_cast<ptrdiff_t>(at));
  for (size_t i = 0; i < 8; ++i) out[at + i] = i < s.name.size() ? static_cast<uint8_t>(s.name[i]) : 0;
  SetU32At(out, at + 8, s.virtualSize);
  SetU32At(out, at + 12, s.virtualAddress);
  SetU32At(out, at + 16, s.rawSize);
  SetU32At(out, at + 20, s.rawPointer);
  SetU32At(out, at + 36, s.characteristics);
}

bool IsMoved(const Placement& p, size_t index) { return index >= p.firstMoved && index < SIZE_MAX; }

// Maps an old RVA to the new image (moved sections shift).
uint32_t NewRva(const Commit& c, uint32_t rva) {
  const PeImage& image = *c.image;
  for (size_t i = 0; i < image.sections.size(); ++i)
    if (IsMoved(c.placement, i) && InSection(image.sections[i], rva)) return rva + c.placement.movedVaDelta;
  return rva;
}

// The old overlay (after the last section's data) and the certificate table
// cut out of it.
struct Overlay {
  size_t oldStart = 0, newStart = 0;
  size_t certStart = 0, certSize = 0;  // within the old file; size 0: none
};

// Maps an old file offset to the new file: moved sections and the overlay
// shift; offsets elsewhere stay.
uint64_t NewFileOffset(const Commit& c, const Overlay& o, uint64_t offset) {
  const PeImage& image = *c.image;
  for (size_t i = 0; i < image.sections.size(); ++i) {
    const PeSection& s = image.sections[i];
    if (IsMoved(c.placement, i) && s.rawSize && offset >= s.rawPointer && offset - s.rawPointer < s.rawSize)
      return offset + c.placement.movedFileDelta;
  }
  if (offset < o.oldStart) return offset;
  if (o.certSize && offset >= o.certStart + o.certSize) offset -= o.certSize;
  return offset - o.oldStart + o.newStart;
}

// Builds the whole new file: headers, sections, overlay, then the header
// fields that follow from them and the checksum.
bool BuildImage(Commit& c, std::vector<uint8_t>& out) {
  const PeImage& image = *c.image;
  const std::vector<uint8_t>& file = c.update->file;
  Placement& p = c.placement;
  const size_t resource = static_cast<size_t>(p.resourceSection);
  p.contents[resource] = c.tree;

  Overlay o;
  o.oldStart = EndOfSectionData(image);
  uint64_t sectionsEnd = std::max<uint64_t>(std::min<size_t>(image.sizeOfHeaders, file.size()),
                                            image.sectionTableOffset + kSectionHeaderSize * p.sections.size());
  for (const auto& s : p.sections)
    if (s.rawSize) sectionsEnd = std::max<uint64_t>(sectionsEnd, uint64_t{s.rawPointer} + s.rawSize);
  o.newStart = static_cast<size_t>(sectionsEnd);
  if (image.numberOfRvaAndSizes > kDirCertificate) {
    const PeDataDirectory cert = image.directories[kDirCertificate];
    if (cert.size && cert.rva >= o.oldStart && cert.rva <= file.size() && cert.size <= file.size() - cert.rva) {
      o.certStart = cert.rva;
      o.certSize = cert.size;
    }
  }

  // Headers and sections that stay where they were come over as they are;
  // the gaps of moved or grown sections are zero.
  const size_t keep = std::min<size_t>(o.oldStart, file.size());
  out.assign(file.begin(), file.begin() + static_cast<ptrdiff_t>(keep));
  out.resize(o.newStart, 0);
  for (size_t i = 0; i < p.sections.size(); ++i) {
    const PeSection& s = p.sections[i];
    if (!s.rawSize) continue;
    std::fill(out.begin() + s.rawPointer, out.begin() + s.rawPointer + s.rawSize, 0);
  }
  for (size_t i = 0; i < p.sections.size(); ++i) {
    const PeSection& s = p.sections[i];
    const ByteSpan content = p.contents[i];
    if (!s.rawSize) continue;
    std::copy(content.begin(), content.begin() + std::min<size_t>(content.size(), s.rawSize),
              out.begin() + s.rawPointer);
  }
  // The overlay follows the new last section, without the certificate.
  for (size_t at = o.oldStart; at < file.size(); ++at)
    if (!o.certSize || at < o.certStart || at >= o.certStart + o.certSize) out.push_back(file[at]);

  // Section table and file header.
  for (size_t i = 0; i < p.sections.size(); ++i)
    WriteSectionHeader(out, image.sectionTableOffset + kSectionHeaderSize * i, p.sections[i]);
  SetU16At(out, image.fileHeaderOffset + kFileNumberOfSections, static_cast<uint16_t>(p.sections.size()));
  if (image.pointerToSymbolTable)
    SetU32At(out, image.fileHeaderOffset + kFilePointerToSymbolTable,
             static_cast<uint32_t>(NewFileOffset(c, o, image.pointerToSymbolTable)));

  // Data directories: the resource table, the certificate table removed,
  // entries into moved sections shifted.
  std::array<PeDataDirectory, 16> dirs = image.directories;
  for (size_t i = 0; i < image.numberOfRvaAndSizes; ++i)
    if (i != kDirCertificate && dirs[i].rva) dirs[i].rva = NewRva(c, dirs[i].rva);
  dirs[kDirResource] = {p.resourceRva, static_cast<uint32_t>(c.tree.size())};
  if (image.numberOfRvaAndSizes > kDirCertificate) dirs[kDirCertificate] = {0, 0};
  for (size_t i = 0; i < image.numberOfRvaAndSizes; ++i) {
    SetU32At(out, image.dataDirectoryOffset + 8 * i, dirs[i].rva);
    SetU32At(out, image.dataDirectoryOffset + 8 * i + 4, dirs[i].size);
  }

  // Debug directory entries: the data's RVA and file offset may have moved.
  if (image.numberOfRvaAndSizes > kDirDebug && dirs[kDirDebug].rva && dirs[kDirDebug].size) {
    PeImage now = image;
    now.sections = p.sections;
    size_t at = 0;
    const uint32_t count = dirs[kDirDebug].size / kDebugDirectorySize;
    if (RvaToFileOffset(now, dirs[kDirDebug].rva, count * kDebugDirectorySize, at) &&
        at + count * kDebugDirectorySize <= out.size()) {
      for (uint32_t i = 0; i < count; ++i, at += kDebugDirectorySize) {
        ByteReader r(out);
        uint32_t address = 0, pointer = 0;
        r.PeekU32At(at + 20, address);
        r.PeekU32At(at + 24, pointer);
        if (address) SetU32At(out, at + 20, NewRva(c, address));
        if (pointer) SetU32At(out, at + 24, static_cast<uint32_t>(NewFileOffset(c, o, pointer)));
      }
    }
  }

  // SizeOfImage from the last section; SizeOfInitializedData by the change
  // in raw size of the resource section.
  uint64_t imageEnd = AlignUp(image.sizeOfHeaders, image.sectionAlignment);
  for (const auto& s : p.sections)
    imageEnd = std::max(imageEnd, AlignUp(uint64_t{s.virtualAddress} + VirtualSpan(s), image.sectionAlignment));
  if (imageEnd > UINT32_MAX) return false;
  const size_t opt = image.optionalHeaderOffset;
  SetU32At(out, opt + kOptSizeOfImage, static_cast<uint32_t>(imageEnd));
  const uint32_t oldRaw = resource < image.sections.size() ? image.sections[resource].rawSize : 0;
  SetU32At(out, opt + kOptSizeOfInitializedData,
           image.sizeOfInitializedData + p.sections[resource].rawSize - oldRaw);
  SetU32At(out, opt + kOptCheckSum, ComputePeChecksum(out, opt + kOptCheckSum));
  return true;
}

// The new image opens again and holds every resource written: a file this
// engine cannot read back is never written.
bool ReadsBack(const std::vector<uint8_t>& out, const TypeMap& types) {
  PeImage image;
  if (!ParsePeImage(out, image)) return false;
  size_t expected = 0, found = 0;
  for (const auto& [typeKey, names] : types)
    for (const auto& [nameKey, langs] : names) expected += langs.size();
  for (const ResourceTypeEntry& type : ReadResourceTree(out, image))
    for (const ResourceNameEntry& name : type.names) found += name.langs.size();
  return found == expected;
}

}  // namespace

bool BuildUpdatedFile(const ResourceUpdate& update, std::vector<uint8_t>& out) {
  const PeImage& image = update.image;
  // With nothing to write and no tree to replace, the file stays as it is.
  if (update.types.empty() && OldResourceSection(image) < 0) {
    out = update.file;
    return true;
  }
  if (image.numberOfRvaAndSizes <= kDirResource) {
    SetLastErrorCode(kErrorBadExeFormat);
    return false;
  }
  const uint64_t size = ResourceSectionSize(update.types);
  if (size > 0x7fffffffu) {
    SetLastErrorCode(kErrorNotEnoughMemory);
    return false;
  }
  Commit c;
  c.update = &update;
  c.image = &image;
  if (!PlaceTree(c, size) || !BuildResourceSection(update.types, c.placement.resourceRva, c.tree) ||
      !BuildImage(c, out) || !ReadsBack(out, update.types)) {
    SetLastErrorCode(kErrorBadExeFormat);
    return false;
  }
  return true;
}

bool CommitResourceUpdate(ResourceUpdatePtr update) {
  if (!update) return false;
  std::vector<uint8_t> out;
  // A commit always replaces a file that existed at begin: synced before and
  // after the rename.
  return BuildUpdatedFile(*update, out) && ReplaceFileContents(update->path, out, true);
}
