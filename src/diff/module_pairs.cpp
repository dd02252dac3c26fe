#include "diff/module_pairs.h"

#include "driver/path_routines.h"
#include "os/files.h"
#include "os/paths.h"

bool IsPairedModuleName(WStringView name) {
  const WString ext = FindExtension(name);
  return EqualsNoCase(ext, u".exe") || EqualsNoCase(ext, u".dll") || EqualsNoCase(ext, u".nxs");
}

std::vector<ModulePair> ListInstallModules(const WString& installFolder, const WString& counterpartFolder,
                                           CounterpartLayout layout) {
  std::vector<ModulePair> modules;
  for (const WStringView subfolder : {WStringView(), WStringView(u"plugins"), WStringView(u"system")}) {
    const WString folder = subfolder.empty() ? installFolder : FindNameNoCase(installFolder, subfolder);
    // The other install's folder is found whatever its letter case too.
    const WString otherFolder = subfolder.empty() || layout == CounterpartLayout::LanguageFiles
                                    ? counterpartFolder
                                    : FindNameNoCase(counterpartFolder, subfolder);
    for (const DirEntry& entry : ListDirectory(folder, u"*.*")) {
      if (entry.isDirectory || !IsPairedModuleName(entry.name)) continue;
      ModulePair pair;
      pair.install = JoinPath(folder, entry.name);
      if (!PathExists(pair.install)) continue;  // a dangling link
      pair.relative = subfolder.empty() ? entry.name : LastComponent(folder) + u"/" + entry.name;
      pair.counterpart = layout == CounterpartLayout::LanguageFiles
                             ? JoinPath(otherFolder, RemoveExtension(entry.name) + u".lng")
                             : JoinPath(otherFolder, entry.name);
      const WString found = FindNameNoCase(ParentFolder(pair.counterpart), LastComponent(pair.counterpart));
      if (PathExists(found)) pair.counterpartFile = found;
      modules.push_back(std::move(pair));
    }
  }
  return modules;
}

UnpackFolder::~UnpackFolder() {
  if (created) DeleteTree(path);
}

bool UnpackPack(const WString& pack, UnpackFolder& folder, const ExtractLimits& limits, bool* whole) {
  if (whole) *whole = false;
  folder.path = MakeTempFolderName(TempFolder());
  folder.created = CreateFolder(folder.path);
  if (!folder.created) return false;
  const WString workingFolder = CurrentDirectory();
  const bool extracted = ExtractArchive(pack, folder.path, limits, nullptr, whole);
  ChangeDirectory(workingFolder);
  return extracted;
}
