// The language file builder: one walk over a module's resources gives both
// its hash text and its language file, built from the stub in memory.
#pragma once

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "driver/console_output.h"
#include "lngfile/conversion.h"
#include "lngfile/pack_list.h"
#include "pe/resources.h"
#include "text/text.h"

struct ModuleCandidate;

// What replaces a module's texts in its language file (no rule: it keeps
// them), and what is to be told about it, asked after the build and told
// before the module's own messages.
struct ModuleTranslation {
  TranslateText rule;
  std::function<WString()> notes;
};
// Asked for each eligible module, on the worker that builds it, with the
// module as read.
using TranslateModule = std::function<ModuleTranslation(const ModuleCandidate&, const Module&)>;

// What a run builds with, read from its command line once and the same for
// every module it builds.
struct BuildOptions {
  int conversionMode = 0;     // 0 none, 1 en-gb, 2 en-us, 3 en-L337 (conversion.h)
  bool specialBuild = false;  // "/special": version info and RCDATA too
  TranslateModule translate;  // /po_import: string tables, menus and dialogs translated
};

// One walk over a module's resources. With `update` set it copies them
// into a language file; with `hashText` set it collects the hash lines;
// with both, both from the same lookups.
struct BuildContext {
  const BuildOptions* options = nullptr;
  std::string pendingHeader;         // "#%d\n" of the numbered type entered, until its first line
  ResourceUpdate* update = nullptr;  // copy walk
  const TranslateText* translate = nullptr;  // translates texts, instead of a conversion
  std::string* hashText = nullptr;   // hash walk: the lines, in file order
  bool menuexFixed = false;          // the MENUEX fix changed an identifier
};

// Whether the walk copies (and hashes) resources of this type.
bool IsEligibleType(const ResId& type, const BuildOptions& options);

// Every eligible type in enumeration order, every name of it: copied
// and/or hashed.
void WalkModuleResources(const Module& module, BuildContext& context);

// The default-language copy of the resource, rebuilt when a conversion
// mode is set, written into the update in language 0x0400.
void CopyResource(BuildContext& context, const ResId& type, const ResId& name, ByteSpan data);

// One module's language file and hash text, made in memory (on any
// thread) and written by WriteLanguageFile.
struct LanguageFileBuild {
  bool loaded = false;   // the module opened as data
  bool started = false;  // the update of the stub began
  bool built = false;    // `bytes` holds the new language file
  bool menuexFixed = false;
  std::string hashText;
  std::vector<uint8_t> bytes;
};
LanguageFileBuild MakeLanguageFile(const Module* module, const BuildOptions& options,
                                   const TranslateText* translate = nullptr);

// The bytes of files written, by path: what the pack builder hands the zip
// writer instead of reading the files back.
using WrittenFiles = std::unordered_map<WString, std::vector<uint8_t>>;

// Appends the hash text to `hashFile` (created when missing) and writes
// folder/base.lng as a new file, with the builder's messages. True when the
// language file was written. With `written`, the bytes of each file that
// now holds exactly them move there.
bool WriteLanguageFile(const Messages& messages, LanguageFileBuild& build, const WString& hashFile,
                       const WString& outputFolder, const WString& base, WrittenFiles* written = nullptr);

// /build's step: reads the module once, writes its hash text file and its
// language file folder/base.lng.
bool BuildLanguageFile(const Messages& messages, const WString& modulePath, const WString& hashFile,
                       const WString& outputFolder, const WString& base, const BuildOptions& options);

// The pack builder's per-module step, in two halves: PrepareLanguageFile
// (any thread) asks the pack list and builds in memory; GenerateLanguageFile
// (one thread, in list order) writes the files and prints the messages.
struct ModuleCandidate {
  WString path;      // the module file
  WString fileName;  // its name, as the pack list knows it
};
struct PreparedModule {
  bool listed = false;    // the pack list names the file
  bool readable = false;  // ... and it could be read as a module
  bool eligible = false;  // ... whose string 65535 is the listed GUID
  LanguageFileBuild build;
  WString notes;  // the translation's, told first
};
PreparedModule PrepareLanguageFile(const ModuleCandidate& candidate, const PackList& packList,
                                   const BuildOptions& options);
// True when the language file was generated. `displayName` is named in the
// messages.
bool GenerateLanguageFile(const Messages& messages, PreparedModule& prepared, const ModuleCandidate& candidate,
                          const WString& outputFolder, const WString& displayName, WrittenFiles* written = nullptr);
