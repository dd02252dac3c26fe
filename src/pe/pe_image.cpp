#include "pe/pe_image.h"

#include <algorithm>

namespace {

constexpr size_t kDosHeaderSize = 64, kLfanewOffset = 0x3c;
// Size of the optional header before its data directories.
constexpr size_t kOptFixedSize32 = 96, kOptFixedSize64 = 112;

bool IsPowerOfTwo(uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

uint32_t VirtualSpan(const PeSection& s) { return s.virtualSize ? s.virtualSize : s.rawSize; }

bool ReadSection(ByteReader& r, PeSection& s) {
  ByteSpan header;
  if (!r.Bytes(kSectionHeaderSize, header)) return false;
  std::copy(header.begin(), header.end(), s.header.begin());
  s.name.clear();
  for (size_t i = 0; i < 8 && header[i] != 0; ++i) s.name.push_back(static_cast<char>(header[i]));
  ByteReader h(header, 8);
  h.U32(s.virtualSize);
  h.U32(s.virtualAddress);
  h.U32(s.rawSize);
  h.U32(s.rawPointer);
  h.Skip(12);  // relocations, line numbers and their counts
  h.U32(s.characteristics);
  return true;
}

}  // namespace

bool ParsePeImage(ByteSpan file, PeImage& image) {
  image = PeImage{};
  image.fileSize = file.size();
  ByteReader r(file);
  uint16_t mz = 0;
  uint32_t lfanew = 0;
  if (file.size() < kDosHeaderSize || !r.U16(mz) || mz != 0x5a4d) return false;
  if (!r.PeekU32At(kLfanewOffset, lfanew) || !r.Seek(lfanew)) return false;
  uint32_t signature = 0;
  if (!r.U32(signature) || signature != 0x00004550) return false;

  image.fileHeaderOffset = r.Offset();
  uint16_t sectionCount = 0, characteristics = 0;
  uint32_t timeStamp = 0, symbolCount = 0;
  if (!r.U16(image.machine) || !r.U16(sectionCount) || !r.U32(timeStamp) || !r.U32(image.pointerToSymbolTable) ||
      !r.U32(symbolCount) || !r.U16(image.sizeOfOptionalHeader) || !r.U16(characteristics))
    return false;

  image.optionalHeaderOffset = r.Offset();
  uint16_t magic = 0;
  if (!r.PeekU16At(image.optionalHeaderOffset, magic)) return false;
  if (magic != kPe32Magic && magic != kPe32PlusMagic) return false;
  image.is64 = magic == kPe32PlusMagic;
  const size_t fixed = image.is64 ? kOptFixedSize64 : kOptFixedSize32;
  if (image.sizeOfOptionalHeader < fixed) return false;
  ByteSpan optional;
  if (!r.Bytes(image.sizeOfOptionalHeader, optional)) return false;

  ByteReader o(optional);
  uint32_t rvaCount = 0;
  o.PeekU32At(kOptSizeOfInitializedData, image.sizeOfInitializedData);
  o.PeekU32At(kOptSectionAlignment, image.sectionAlignment);
  o.PeekU32At(kOptFileAlignment, image.fileAlignment);
  o.PeekU32At(kOptSizeOfImage, image.sizeOfImage);
  o.PeekU32At(kOptSizeOfHeaders, image.sizeOfHeaders);
  o.PeekU32At(fixed - 4, rvaCount);
  if (!IsPowerOfTwo(image.sectionAlignment) || !IsPowerOfTwo(image.fileAlignment)) return false;

  // NumberOfRvaAndSizes is honoured, but never beyond what the optional
  // header holds.
  const size_t room = (image.sizeOfOptionalHeader - fixed) / 8;
  image.numberOfRvaAndSizes = static_cast<uint32_t>(std::min<size_t>({rvaCount, room, image.directories.size()}));
  image.dataDirectoryOffset = image.optionalHeaderOffset + fixed;
  o.Seek(fixed);
  for (uint32_t i = 0; i < image.numberOfRvaAndSizes; ++i) {
    o.U32(image.directories[i].rva);
    o.U32(image.directories[i].size);
  }

  image.sectionTableOffset = r.Offset();
  if (sectionCount > r.Remaining() / kSectionHeaderSize) return false;
  image.sections.resize(sectionCount);
  for (auto& s : image.sections) {
    if (!ReadSection(r, s)) return false;
    if (s.rawSize != 0 && (s.rawPointer > file.size() || s.rawSize > file.size() - s.rawPointer)) return false;
  }
  return true;
}

int SectionOfRva(const PeImage& image, uint32_t rva) {
  for (size_t i = 0; i < image.sections.size(); ++i) {
    const PeSection& s = image.sections[i];
    if (rva >= s.virtualAddress && rva - s.virtualAddress < VirtualSpan(s)) return static_cast<int>(i);
  }
  return -1;
}

bool RvaToFileOffset(const PeImage& image, uint32_t rva, uint32_t length, size_t& offset) {
  // The range must lie in a section's raw data. A range of length 0 may sit
  // right at a section's end (an empty resource written last).
  for (const PeSection& s : image.sections) {
    if (rva < s.virtualAddress) continue;
    const uint32_t inSection = rva - s.virtualAddress;
    if (inSection > VirtualSpan(s) || inSection > s.rawSize || length > s.rawSize - inSection) continue;
    if (length != 0 && inSection == VirtualSpan(s)) continue;
    offset = static_cast<size_t>(s.rawPointer) + inSection;
    return true;
  }
  return false;
}

size_t EndOfSectionData(const PeImage& image) {
  // The headers end at SizeOfHeaders, but never before the section table
  // does, whatever SizeOfHeaders claims.
  size_t end = std::max<size_t>(std::min<size_t>(image.sizeOfHeaders, image.fileSize),
                                image.sectionTableOffset + kSectionHeaderSize * image.sections.size());
  for (const auto& s : image.sections)
    if (s.rawSize != 0) end = std::max(end, static_cast<size_t>(s.rawPointer) + s.rawSize);
  return end;
}

uint32_t ComputePeChecksum(ByteSpan file, size_t checksumOffset) {
  // The 16-bit words of the file, the checksum field taken as zero, added
  // with end-around carry. The carries are folded once at the end: that
  // gives the same result as folding after every word, since a sum of
  // words is zero only when every word is.
  const size_t size = file.size();
  uint64_t sum = 0;
  size_t i = 0;
  for (; i + 1 < size; i += 2) sum += static_cast<uint32_t>(file[i]) | (static_cast<uint32_t>(file[i + 1]) << 8);
  if (i < size) sum += file[i];
  // Take the checksum field's bytes back out.
  for (size_t j = checksumOffset; j < size && j - checksumOffset < 4; ++j)
    sum -= static_cast<uint64_t>(file[j]) << ((j % 2) * 8);
  while (sum >> 16) sum = (sum & 0xffff) + (sum >> 16);
  return static_cast<uint32_t>(sum + size);
}
