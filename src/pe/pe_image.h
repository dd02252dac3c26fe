// The headers of a PE module (PE32 and PE32+): DOS header, PE signature,
// IMAGE_FILE_HEADER, the optional header with its data directories, and the
// section table. Read field by field through ByteReader; nothing here
// trusts a size or offset the file gives without checking it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "pe/byte_reader.h"

constexpr uint16_t kMachineI386 = 0x014c, kMachineAmd64 = 0x8664;
constexpr uint16_t kPe32Magic = 0x10b, kPe32PlusMagic = 0x20b;
constexpr uint32_t kSectionInitializedData = 0x00000040, kSectionDiscardable = 0x02000000,
                   kSectionRead = 0x40000000;
constexpr size_t kDirExport = 0, kDirImport = 1, kDirResource = 2, kDirCertificate = 4, kDirBaseReloc = 5,
                 kDirDebug = 6;
constexpr size_t kSectionHeaderSize = 40, kDebugDirectorySize = 28;

struct PeSection {
  std::string name;  // the 8 raw name bytes up to the first zero
  uint32_t virtualSize = 0, virtualAddress = 0, rawSize = 0, rawPointer = 0, characteristics = 0;
  std::array<uint8_t, kSectionHeaderSize> header{};  // the raw header, kept for fields we do not change
};

struct PeDataDirectory {
  uint32_t rva = 0, size = 0;
};

struct PeImage {
  size_t fileSize = 0;
  bool is64 = false;
  uint16_t machine = 0;
  size_t fileHeaderOffset = 0;      // IMAGE_FILE_HEADER, just after "PE\0\0"
  size_t optionalHeaderOffset = 0;  // IMAGE_OPTIONAL_HEADER32/64
  size_t dataDirectoryOffset = 0;   // first IMAGE_DATA_DIRECTORY
  size_t sectionTableOffset = 0;
  uint16_t sizeOfOptionalHeader = 0;
  uint32_t pointerToSymbolTable = 0;
  uint32_t sectionAlignment = 0, fileAlignment = 0, sizeOfHeaders = 0, sizeOfImage = 0;
  uint32_t sizeOfInitializedData = 0;
  uint32_t numberOfRvaAndSizes = 0;  // as many as the optional header holds, at most 16
  std::array<PeDataDirectory, 16> directories{};
  std::vector<PeSection> sections;
};

// Offsets of optional header fields that the writer updates; the same in
// PE32 and PE32+.
constexpr size_t kOptSizeOfInitializedData = 8, kOptSectionAlignment = 32, kOptFileAlignment = 36,
                 kOptSizeOfImage = 56, kOptSizeOfHeaders = 60, kOptCheckSum = 64;
// IMAGE_FILE_HEADER fields.
constexpr size_t kFileNumberOfSections = 2, kFilePointerToSymbolTable = 8;

// False when the bytes are no PE module this engine can read: a header is
// truncated or inconsistent, or a section's raw data lies outside the file.
bool ParsePeImage(ByteSpan file, PeImage& image);

// The section whose virtual range holds `rva`, or -1.
int SectionOfRva(const PeImage& image, uint32_t rva);
// Maps [rva, rva + length) to a file offset. False unless the whole range
// lies inside one section's raw data (and so inside the file).
bool RvaToFileOffset(const PeImage& image, uint32_t rva, uint32_t length, size_t& offset);
// The file offset just past the last section's raw data (at least the
// headers' end): where an overlay begins.
size_t EndOfSectionData(const PeImage& image);

// The PE checksum: 16-bit sum of the file with the checksum field taken as
// zero, carries folded in, plus the file length.
uint32_t ComputePeChecksum(ByteSpan file, size_t checksumOffset);

inline uint64_t AlignUp(uint64_t value, uint64_t alignment) {
  return alignment ? (value + alignment - 1) / alignment * alignment : value;
}
