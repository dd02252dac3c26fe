// Reading side of the resource engine: a module opened as data, its tree
// enumerated in stored order, resources found by language, strings loaded.
#include <array>

#include "pe/pe_image.h"
#include "pe/resource_tree.h"
#include "pe/resources.h"
#include "pe/version_info.h"

struct Module {
  std::vector<uint8_t> bytes;  // the whole file; every view points in here
  PeImage image;
  ResourceTree tree;
};

void ModuleDeleter::operator()(Module* module) const { delete module; }

bool SameResId(const ResId& a, const ResId& b) {
  if (a.isName != b.isName) return false;
  return a.isName ? EqualsNoCase(a.name, b.name) : a.id == b.id;
}

ModulePtr OpenModuleFromBytes(std::vector<uint8_t> bytes) {
  ModulePtr module(new Module{std::move(bytes), {}, {}});
  if (!ParsePeImage(module->bytes, module->image)) return nullptr;
  module->tree = ReadResourceTree(module->bytes, module->image);
  return module;
}

std::vector<ResId> EnumResourceTypes(const Module& module) {
  std::vector<ResId> types;
  for (const auto& t : module.tree) types.push_back(t.type);
  return types;
}

std::vector<ResId> EnumResourceNames(const Module& module, const ResId& type) {
  std::vector<ResId> names;
  if (const ResourceTypeEntry* t = FindTypeEntry(module.tree, type))
    for (const auto& n : t->names) names.push_back(n.name);
  return names;
}

std::vector<uint16_t> EnumResourceLanguages(const Module& module, const ResId& type, const ResId& name) {
  std::vector<uint16_t> langs;
  const ResourceTypeEntry* t = FindTypeEntry(module.tree, type);
  const ResourceNameEntry* n = t ? FindNameEntry(*t, name) : nullptr;
  if (n)
    for (const auto& l : n->langs) langs.push_back(l.lang);
  return langs;
}

namespace {

const ResourceNameEntry* FindName(const Module& module, const ResId& type, const ResId& name) {
  const ResourceTypeEntry* t = FindTypeEntry(module.tree, type);
  return t ? FindNameEntry(*t, name) : nullptr;
}

const ResourceLangEntry* FindExactLang(const ResourceNameEntry& name, uint16_t lang) {
  for (const auto& l : name.langs)
    if (l.lang == lang) return &l;
  return nullptr;
}

bool Found(const ResourceLangEntry* entry, ByteSpan& data, uint16_t* foundLang) {
  if (!entry) return false;
  data = entry->data;
  if (foundLang) *foundLang = entry->lang;
  return true;
}

}  // namespace

// The default-language choice stands in for FindResourceW's search as it
// behaves for a US-English user: neutral (0x0000), then English (United
// States) 0x0409, then English neutral 0x0009, then whatever is listed first.
bool FindResourceDefault(const Module& module, const ResId& type, const ResId& name, ByteSpan& data,
                         uint16_t* foundLang) {
  const ResourceNameEntry* n = FindName(module, type, name);
  if (!n || n->langs.empty()) return false;
  for (uint16_t lang : {uint16_t{0x0000}, uint16_t{0x0409}, uint16_t{0x0009}})
    if (Found(FindExactLang(*n, lang), data, foundLang)) return true;
  return Found(&n->langs.front(), data, foundLang);
}

// FindResourceExW: the exact language, else its primary language with the
// neutral sublanguage (the low 10 bits), else language neutral.
bool FindResourceLang(const Module& module, const ResId& type, const ResId& name, uint16_t lang, ByteSpan& data,
                      uint16_t* foundLang) {
  const ResourceNameEntry* n = FindName(module, type, name);
  if (!n) return false;
  for (uint16_t candidate : {lang, static_cast<uint16_t>(lang & 0x03ff), uint16_t{0x0000}})
    if (Found(FindExactLang(*n, candidate), data, foundLang)) return true;
  return false;
}

// An RT_STRING block holds 16 counted UTF-16 strings; string id is at
// position id % 16 of block id / 16 + 1.
bool LoadModuleString(const Module& module, uint32_t id, WString& text) {
  if (id > 0xffff) return false;
  ByteSpan block;
  if (!FindResourceDefault(module, ResId::Int(kRtString), ResId::Int(static_cast<uint16_t>(id / 16 + 1)), block))
    return false;
  ByteReader r(block);
  WString s;
  for (uint32_t i = 0; i <= id % 16; ++i) {
    uint16_t length = 0;
    if (!r.U16(length) || !r.CountedWide(length, s)) return false;
  }
  if (s.empty()) return false;
  text = std::move(s);
  return true;
}

bool GetModuleFileVersion(const Module& module, uint32_t& versionMS, uint32_t& versionLS) {
  ByteSpan data;
  FixedFileInfo info;
  if (!FindResourceDefault(module, ResId::Int(kRtVersion), ResId::Int(1), data) || !ReadFixedFileInfo(data, info))
    return false;
  versionMS = info.fileVersionMS;
  versionLS = info.fileVersionLS;
  return true;
}
