// The harness's file and environment helpers, portable so that the unit
// tests built for Windows share them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "text/text.h"
#include "support/harness.h"

namespace harness {

namespace fs = std::filesystem;

namespace {

fs::path FsPath(const std::string& utf8) {
  return fs::path(reinterpret_cast<const char8_t*>(utf8.c_str()));
}

std::string Utf8Of(const fs::path& path) {
  const std::u8string s = path.u8string();
  return std::string(s.begin(), s.end());
}

void SetEnv(const std::string& name, const char* value) {
#ifdef _WIN32
  _putenv_s(name.c_str(), value ? value : "");
#else
  if (value) ::setenv(name.c_str(), value, 1);
  else ::unsetenv(name.c_str());
#endif
}

}  // namespace

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  const fs::path root = base && *base ? FsPath(base) : fs::temp_directory_path();
  std::random_device random;
  for (int attempt = 0; attempt < 100 && path.empty(); ++attempt) {
    const fs::path candidate = root / ("pstest." + std::to_string(random() % 100000000u));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) path = Utf8Of(candidate);
  }
  if (path.empty()) ADD_FAILURE() << "no temporary folder could be made";
}

TempDir::~TempDir() {
  if (path.empty() || std::getenv("PACKSMITH_KEEP_TEMP") != nullptr) return;
  std::error_code ec;
  // Read-only files and folders that tests leave behind are made writable
  // first, so that nothing stays.
  for (auto it = fs::recursive_directory_iterator(FsPath(path), ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (!it->is_symlink(ec)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::remove_all(FsPath(path), ec);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(FsPath(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  const std::string s = ReadFile(path);
  return std::vector<uint8_t>(s.begin(), s.end());
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(FsPath(path), std::ios::binary | std::ios::trunc);
  out << content;
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(FsPath(path), ec);
}

void MakeDirs(const std::string& path) {
  std::error_code ec;
  fs::create_directories(FsPath(path), ec);
}

EnvOverride::EnvOverride(const std::string& n, const char* value) : name(n) {
  const char* v = std::getenv(n.c_str());
  had = v != nullptr;
  if (v) old = v;
  SetEnv(name, value);
}

EnvOverride::~EnvOverride() { SetEnv(name, had ? old.c_str() : nullptr); }

std::string Crlf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += "\r\n";
    else out.push_back(c);
  }
  return out;
}

std::string Utf16le(const std::string& utf8) {
  const std::u16string w = Utf8ToWide(utf8);
  std::string out;
  for (char16_t c : w) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

}  // namespace harness
