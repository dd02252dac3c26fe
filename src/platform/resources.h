// The resource engine: reading the resource tree of PE modules (PE32 and
// PE32+) and rewriting it. It stands in for LoadLibraryExW with
// LOAD_LIBRARY_AS_DATAFILE, EnumResource*W, FindResource(Ex)W,
// LoadResource/LockResource/SizeofResource, LoadStringW, the version
// functions and Begin/Update/EndUpdateResourceW, on every platform.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/byte_reader.h"
#include "platform/text.h"

// A resource type or name: a string name or an integer identifier below
// 0x10000 (IS_INTRESOURCE).
struct ResId {
  bool isName = false;
  uint16_t id = 0;
  WString name;

  static ResId Int(uint16_t value) { return ResId{false, value, {}}; }
  static ResId Str(WStringView value) { return ResId{true, 0, WString(value)}; }
};
// Names compare case-insensitively, as the Windows functions look them up.
bool SameResId(const ResId& a, const ResId& b);

constexpr uint16_t kRtCursor = 1, kRtBitmap = 2, kRtIcon = 3, kRtMenu = 4, kRtDialog = 5, kRtString = 6,
                   kRtAccelerator = 9, kRtRcdata = 10, kRtGroupCursor = 12, kRtGroupIcon = 14, kRtVersion = 16,
                   kRtManifest = 24;
constexpr uint16_t kLangNeutral = 0x0000, kLangUserDefault = 0x0400;

// A module opened as data: the whole file, read once and checked. Views into
// it stay valid until the module is released.
struct Module;
struct ModuleDeleter {
  void operator()(Module* module) const;
};
using ModulePtr = std::unique_ptr<Module, ModuleDeleter>;

// Null when the file cannot be read (the file layer's error) or is no PE
// module (error 193, ERROR_BAD_EXE_FORMAT).
ModulePtr OpenModule(const WString& path);
ModulePtr OpenModuleFromBytes(std::vector<uint8_t> bytes);

// Enumeration in the tree's stored order: named entries, then numbered.
std::vector<ResId> EnumResourceTypes(const Module& module);
std::vector<ResId> EnumResourceNames(const Module& module, const ResId& type);
std::vector<uint16_t> EnumResourceLanguages(const Module& module, const ResId& type, const ResId& name);

// FindResourceW: the default-language choice. Language 0x0000, then 0x0409,
// then 0x0009, then the first language listed. False when absent.
// `foundLang`, when given, receives the language of the copy found.
bool FindResourceDefault(const Module& module, const ResId& type, const ResId& name, ByteSpan& data,
                         uint16_t* foundLang = nullptr);
// FindResourceExW: that exact language, else the same primary language with
// the neutral sublanguage, else language 0x0000.
bool FindResourceLang(const Module& module, const ResId& type, const ResId& name, uint16_t lang, ByteSpan& data,
                      uint16_t* foundLang = nullptr);

// LoadStringW: string `id` of the module's string table (default language).
// False when the block or the string is missing or empty.
bool LoadModuleString(const Module& module, uint32_t id, WString& text);

// GetFileVersionInfoW + VerQueryValueW("\"): the VS_FIXEDFILEINFO file
// version of RT_VERSION 1 (default language).
bool GetModuleFileVersion(const Module& module, uint32_t& versionMS, uint32_t& versionLS);

// A resource update on a file: the whole tree is read into memory at begin
// and the file is not kept open.
struct ResourceUpdate;
struct ResourceUpdateDeleter {
  void operator()(ResourceUpdate* update) const;
};
using ResourceUpdatePtr = std::unique_ptr<ResourceUpdate, ResourceUpdateDeleter>;

// Null with the error set when the update cannot begin: the file cannot be
// read (the file layer's error), cannot be opened for writing (5: a
// read-only file, as BeginUpdateResourceW opens the file for writing at
// begin), is no PE module (193, ERROR_BAD_EXE_FORMAT), or holds a resource
// directory entry that cannot be read (13, ERROR_INVALID_DATA: a damaged
// type, name or language id, an offset out of range, a loop, a tree too
// deep), since the commit would write the module back without it. A tree
// that no section holds reads as none, and the update begins.
// OpenModule stays tolerant and just leaves such entries out.
ResourceUpdatePtr BeginResourceUpdate(const WString& path);
// Adds or replaces one language of one name (the bytes are copied; empty
// data is a resource of size 0). DeleteResourceItem removes one language;
// a name left without languages and a type left without names disappear.
void UpdateResourceItem(ResourceUpdate& update, const ResId& type, const ResId& name, uint16_t lang,
                        ByteSpan data);
void DeleteResourceItem(ResourceUpdate& update, const ResId& type, const ResId& name, uint16_t lang);
// Builds the new file and replaces the old one only when it is whole. On
// failure the file is as it was and the Windows error code is set
// (GetLastErrorCode). The update is consumed either way.
// The new file is synced before and after the rename.
bool CommitResourceUpdate(ResourceUpdatePtr update);

// The same update over bytes in memory (for tests, the fuzzer and the
// benchmark): the new file's bytes are built instead of written. False (with
// the error set) where the commit would fail.
ResourceUpdatePtr BeginResourceUpdateFromBytes(std::vector<uint8_t> bytes);
bool BuildUpdatedFile(const ResourceUpdate& update, std::vector<uint8_t>& out);
