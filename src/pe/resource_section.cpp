#include "pe/resource_section.h"

#include "pe/pe_image.h"

namespace {

constexpr uint32_t kHighBit = 0x80000000u;
constexpr size_t kDirectoryHeaderSize = 16, kDirectoryEntrySize = 8, kDataEntrySize = 16;

uint64_t DirectorySize(size_t entries) { return kDirectoryHeaderSize + kDirectoryEntrySize * entries; }
uint64_t NameSize(const ResourceKey& key) { return key.isName ? 2 + 2 * static_cast<uint64_t>(key.name.size()) : 0; }

// Where each part of the section starts, computed before anything is written.
struct Layout {
  uint64_t nameDirectories = 0, languageDirectories = 0, dataEntries = 0, strings = 0, data = 0, end = 0;
};

Layout ComputeLayout(const TypeMap& types) {
  uint64_t nameDirs = 0, langDirs = 0, items = 0, strings = 0;
  for (const auto& [typeKey, names] : types) {
    nameDirs += DirectorySize(names.size());
    strings += NameSize(typeKey);
    for (const auto& [nameKey, langs] : names) {
      langDirs += DirectorySize(langs.size());
      strings += NameSize(nameKey);
      items += langs.size();
    }
  }
  Layout l;
  l.nameDirectories = DirectorySize(types.size());
  l.languageDirectories = l.nameDirectories + nameDirs;
  l.dataEntries = l.languageDirectories + langDirs;
  l.strings = l.dataEntries + kDataEntrySize * items;
  l.data = AlignUp(l.strings + strings, 8);
  l.end = l.strings + strings;
  for (const auto& [typeKey, names] : types)
    for (const auto& [nameKey, langs] : names)
      for (const auto& [lang, item] : langs) l.end = AlignUp(l.end, 8) + item.Bytes().size();
  return l;
}

void PutDirectoryHeader(std::vector<uint8_t>& out, size_t at, size_t named, size_t numbered) {
  SetU32At(out, at, 0);       // characteristics
  SetU32At(out, at + 4, 0);   // time stamp
  SetU16At(out, at + 8, 4);   // major version
  SetU16At(out, at + 10, 0);  // minor version
  SetU16At(out, at + 12, static_cast<uint16_t>(named));
  SetU16At(out, at + 14, static_cast<uint16_t>(numbered));
}

template <class Map>
size_t CountNamed(const Map& map) {
  size_t n = 0;
  for (const auto& entry : map) n += entry.first.isName;
  return n;
}

// Writes a counted name at `at` and returns the entry's Name field.
uint32_t PutName(std::vector<uint8_t>& out, size_t& at, const ResourceKey& key) {
  if (!key.isName) return key.id;
  const uint32_t field = kHighBit | static_cast<uint32_t>(at);
  SetU16At(out, at, static_cast<uint16_t>(key.name.size()));
  at += 2;
  for (char16_t c : key.name) {
    SetU16At(out, at, c);
    at += 2;
  }
  return field;
}

}  // namespace

bool operator<(const ResourceKey& a, const ResourceKey& b) {
  if (a.isName != b.isName) return a.isName;
  return a.isName ? a.name < b.name : a.id < b.id;
}

ResourceKey KeyOf(const ResId& id) {
  return id.isName ? ResourceKey{true, 0, NameToUpper(id.name)} : ResourceKey{false, id.id, {}};
}

uint64_t ResourceSectionSize(const TypeMap& types) { return ComputeLayout(types).end; }

bool BuildResourceSection(const TypeMap& types, uint32_t sectionRva, std::vector<uint8_t>& out) {
  const Layout l = ComputeLayout(types);
  // Every directory count must fit its 16-bit field.
  if (types.size() > 0xffff) return false;
  for (const auto& [typeKey, names] : types) {
    if (names.size() > 0xffff) return false;
    for (const auto& [nameKey, langs] : names)
      if (langs.size() > 0xffff || nameKey.name.size() > 0xffff || typeKey.name.size() > 0xffff) return false;
  }
  if (l.end > 0x7fffffffu || sectionRva + l.end > 0xffffffffu) return false;

  out.assign(static_cast<size_t>(l.end), 0);
  size_t nameDir = static_cast<size_t>(l.nameDirectories), langDir = static_cast<size_t>(l.languageDirectories);
  size_t dataEntry = static_cast<size_t>(l.dataEntries), text = static_cast<size_t>(l.strings);
  uint64_t data = l.data;

  PutDirectoryHeader(out, 0, CountNamed(types), types.size() - CountNamed(types));
  size_t typeEntry = kDirectoryHeaderSize;
  for (const auto& [typeKey, names] : types) {
    SetU32At(out, typeEntry, PutName(out, text, typeKey));
    SetU32At(out, typeEntry + 4, kHighBit | static_cast<uint32_t>(nameDir));
    typeEntry += kDirectoryEntrySize;

    PutDirectoryHeader(out, nameDir, CountNamed(names), names.size() - CountNamed(names));
    size_t nameEntry = nameDir + kDirectoryHeaderSize;
    nameDir += static_cast<size_t>(DirectorySize(names.size()));
    for (const auto& [nameKey, langs] : names) {
      SetU32At(out, nameEntry, PutName(out, text, nameKey));
      SetU32At(out, nameEntry + 4, kHighBit | static_cast<uint32_t>(langDir));
      nameEntry += kDirectoryEntrySize;

      PutDirectoryHeader(out, langDir, 0, langs.size());
      size_t langEntry = langDir + kDirectoryHeaderSize;
      langDir += static_cast<size_t>(DirectorySize(langs.size()));
      for (const auto& [lang, item] : langs) {
        SetU32At(out, langEntry, lang);
        SetU32At(out, langEntry + 4, static_cast<uint32_t>(dataEntry));
        langEntry += kDirectoryEntrySize;

        const ByteSpan bytes = item.Bytes();
        data = AlignUp(data, 8);
        SetU32At(out, dataEntry, static_cast<uint32_t>(sectionRva + data));
        SetU32At(out, dataEntry + 4, static_cast<uint32_t>(bytes.size()));
        SetU32At(out, dataEntry + 8, item.codePage);
        SetU32At(out, dataEntry + 12, 0);
        dataEntry += kDataEntrySize;
        std::copy(bytes.begin(), bytes.end(), out.begin() + static_cast<ptrdiff_t>(data));
        data += bytes.size();
      }
    }
  }
  return true;
}
