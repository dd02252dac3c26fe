#include "e2e/lgp_support.h"

#include <gtest/gtest.h>

#include <memory>

#include "support/harness.h"

namespace lgp_support {

namespace {

std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// The compiled install, kept for the whole test run.
const std::string* CompiledSample() {
  static std::unique_ptr<harness::TempDir> dir;
  static bool built = false;
  if (dir) return built ? &dir->path : nullptr;
  dir = std::make_unique<harness::TempDir>();
  const std::string source = std::string(PACKSMITH_SOURCE_DIR) + "/sample/install";
  std::string list;
  harness::Shell("cd " + Quote(source) + " && find . -type f | LC_ALL=C sort", &list);
  built = true;
  size_t start = 0;
  while (start < list.size()) {
    const size_t end = list.find('\n', start);
    const std::string rel = list.substr(start + 2, end - start - 2);  // without "./"
    start = end + 1;
    const std::string out = dir->Sub(rel);
    harness::MakeDirs(out.substr(0, out.rfind('/')));
    if (rel.size() > 3 && rel.compare(rel.size() - 3, 3, ".rc") == 0) {
      const std::string rc = harness::ReadFile(source + "/" + rel);
      const auto compiler =
          rc.find("MENUEX") != std::string::npos ? harness::Compiler::Windres : harness::Compiler::LlvmRc;
      built = harness::BuildResourceDll(rc, out.substr(0, out.size() - 3), compiler) && built;
    } else {
      built = harness::Shell("cp " + Quote(source + "/" + rel) + " " + Quote(out)) == 0 && built;
    }
  }
  harness::Shell("find " + Quote(dir->path) + " -name '*.lib' -delete");
  return built ? &dir->path : nullptr;
}

}  // namespace

bool CopySampleInstall(const std::string& dest) {
  const std::string* compiled = CompiledSample();
  if (!compiled) return false;
  harness::MakeDirs(dest);
  return harness::Shell("cp -r " + Quote(*compiled) + "/. " + Quote(dest)) == 0;
}

std::string Entries(const std::string& archive) {
  std::string out;
  harness::Shell("zipinfo -s " + Quote(archive) + " | awk 'NF>=9 && $1 ~ /^-/ {print $6\" \"$NF}'", &out);
  return out;
}

bool ArchiveTestsClean(const std::string& archive) {
  std::string out;
  const int status = harness::Shell("unzip -t " + Quote(archive), &out);
  return (status == 0 || status == 1) && out.find("No errors detected") != std::string::npos;
}

std::string EntryBytes(const std::string& archive, const std::string& name) {
  std::string escaped;
  for (char c : name) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
  std::string out;
  harness::Shell("unzip -p " + Quote(archive) + " " + Quote(escaped), &out);
  return out;
}

std::string WithoutTimes(const std::string& archive) {
  std::string b = harness::ReadFile(archive);
  auto u16 = [&](size_t at) { return static_cast<size_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8); };
  auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
  const size_t end = b.rfind(std::string("PK\x05\x06", 4));
  if (end == std::string::npos || b.size() - end < 22) {
    ADD_FAILURE() << "no end of central directory in " << archive;
    return b;
  }
  size_t at = u32(end + 16);
  for (size_t i = 0, count = u16(end + 10); i < count && at + 46 <= b.size(); ++i) {
    const size_t local = u32(at + 42);
    b.replace(at + 12, 4, 4, '\0');
    if (local + 30 <= b.size()) b.replace(local + 10, 4, 4, '\0');
    at += 46 + u16(at + 28) + u16(at + 30) + u16(at + 32);
  }
  return b;
}

std::map<std::string, std::string> FolderFiles(const std::string& folder) {
  std::string names;
  harness::Shell("cd " + Quote(folder) + " && find . -type f | sort", &names);
  std::map<std::string, std::string> files;
  for (size_t start = 0, end; (end = names.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string name = names.substr(start + 2, end - start - 2);
    const std::string ext = name.size() > 4 ? name.substr(name.size() - 4) : "";
    const std::string path = folder + "/" + name;
    files[name] = ext == ".lgp" || ext == ".zip" ? WithoutTimes(path) : harness::ReadFile(path);
  }
  return files;
}

std::string DefaultGuid(const std::string& module) {
  const std::string list = harness::ReadFile(std::string(PACKSMITH_SOURCE_DIR) + "/resources/lgp_list.ini");
  const size_t at = list.find("\n" + module + "=");
  return at == std::string::npos ? std::string() : list.substr(at + module.size() + 2, 38);
}

}  // namespace lgp_support
