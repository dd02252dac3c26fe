// Shared pieces of the /diff tests: fixtures, reports decoded from UTF-16LE,
// module pairs compiled from .rc sources and runs of the built tool.
#pragma once

#include <gtest/gtest.h>
#include <minizip/zip.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "text/text.h"
#include "support/harness.h"

namespace difftest {

inline std::string Fixture(const std::string& name) {
  return harness::ReadFile(std::string(PACKSMITH_FIXTURE_DIR) + "/diff/" + name);
}

// A report file as UTF-8 text, after checking its byte order mark and that
// it holds whole UTF-16 units. Empty when the file is missing.
inline std::string ReadReport(const std::string& path) {
  if (!harness::Exists(path)) return std::string();
  const std::string bytes = harness::ReadFile(path);
  EXPECT_GE(bytes.size(), 2u);
  if (bytes.size() < 2) return "<too short>";
  EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xFF);
  EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xFE);
  EXPECT_EQ(bytes.size() % 2, 0u);
  std::u16string text;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2)
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  return WideToUtf8(text);
}

inline std::string Header(const std::string& install, const std::string& comparison) {
  return "<<<<< Checking " + install + " against " + comparison + " >>>>>\r\n\r\n";
}

inline std::string StartLine(const std::string& install, const std::string& kind, const std::string& target) {
  return "Starting differential of Nuvexa install (" + harness::ShownPath(install) + ") against the passed " + kind +
         " (" + harness::ShownPath(target) + ")\r\n";
}

// What the tool says of a report it cannot write.
inline std::string ReportLost(const std::string& reports, const std::string& stem, int error) {
  return "Unable to write the report `" + harness::ShownPath(reports + "/" + stem + ".txt") + "' [" +
         std::to_string(error) + "]\r\n";
}

inline std::string ShellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') out += "'\\''";
    else out.push_back(c);
  }
  return out + "'";
}

// A shell command that runs `tool` with `args` (standard input and error
// left to the caller) and, when `tmp` is given, that folder as its
// temporary folder. The Windows build runs under Wine, and takes its
// temporary folder from TMP, which Wine sets from the prefix's registry
// whatever the Unix environment says: a Windows shell sets it for the run,
// so the arguments must not need quoting there.
inline std::string ToolCommand(const harness::Tool& tool, const std::vector<std::string>& args,
                               const std::string& tmp = "") {
  std::string line;
  if (!tool.windows) {
    if (!tmp.empty()) line = "TMPDIR=" + ShellQuote(tmp) + " ";
    line += ShellQuote(tool.exe);
    for (const auto& a : args) line += " " + ShellQuote(a);
    return line;
  }
  const std::string wine = ShellQuote(std::string(PACKSMITH_SOURCE_DIR) + "/tests/wine/run.sh") + " ";
  if (tmp.empty()) {
    line = wine + ShellQuote(tool.exe);
    for (const auto& a : args) line += " " + ShellQuote(a);
    return line;
  }
  const std::string temp = harness::ShownPath(tmp);
  std::string windows = "set TMP=" + temp + "&& set TEMP=" + temp + "&& " + harness::ShownPath(tool.exe);
  for (const auto& a : args) {
    EXPECT_EQ(a.find_first_of(" \"&|<>^%"), std::string::npos) << "cmd would read " << a << " differently";
    windows += " " + a;
  }
  return wine + "cmd /c " + ShellQuote(windows);
}

inline std::string EndLine(const std::string& kind) {
  return "\r\nCompleted differential of Nuvexa install against the passed " + kind + ".\r\n";
}

// What the console shows for a folder-mode run whose only differing pair is
// `module` with the given entries.
inline std::string FolderConsole(const std::string& install, const std::string& other, const std::string& module,
                                 const std::string& entries) {
  return StartLine(install, "folder", other) + "\r\n" + Header(module, module) + entries + EndLine("folder");
}

// An install folder and a second install, each with one module compiled
// from an .rc source, and a report folder that does not exist yet.
struct FolderPair {
  harness::TempDir dir;
  std::string install = dir.Sub("install");
  std::string other = dir.Sub("other");
  std::string reports = dir.Sub("reports");
  FolderPair() {
    harness::MakeDirs(install);
    harness::MakeDirs(other);
  }
  bool Build(const std::string& module, const std::string& installRc, const std::string& otherRc,
             harness::Compiler compiler = harness::Compiler::LlvmRc) {
    return harness::BuildResourceDll(installRc, install + "/" + module, compiler) &&
           harness::BuildResourceDll(otherRc, other + "/" + module, compiler);
  }
  std::string Run(const harness::Tool& tool, const std::vector<std::string>& extra = {}) const {
    std::vector<std::string> args = {install, "/diff", other, "/folder=" + reports};
    args.insert(args.end(), extra.begin(), extra.end());
    return tool.Run(args);
  }
  std::string Report(const std::string& stem) const { return ReadReport(reports + "/" + stem + ".txt"); }
};

// The entries of strings_install.rc against strings_comparison.rc.
inline const std::string kStringEntries =
    "String 2 changed\r\n + Close\r\n - close\r\n\r\n"
    "String 3 added\r\n + Save as\r\n\r\n"
    "String 4 removed\r\n - Extra\r\n\r\n"
    "String 5 changed\r\n + Line one\\nLine two\\tTabbed\r\n - Line one\\nLine 2\\tTabbed\r\n\r\n"
    "String 6 changed\r\n + Trailing \r\n - Trailing\r\n\r\n"
    // Block 2 is missing on the comparison side: read as empty strings.
    "String 17 added\r\n + Only in install\r\n\r\n"
    "String 65535 changed\r\n + Last string\r\n - Last strinG\r\n\r\n";

// Replaces every "@DIR@" in an .rc text by `dir`.
inline std::string WithDir(std::string rc, const std::string& dir) {
  for (size_t at = rc.find("@DIR@"); at != std::string::npos; at = rc.find("@DIR@", at + dir.size()))
    rc.replace(at, 5, dir);
  return rc;
}

// A 2x2 24-bit bitmap file, with `extra` bytes appended.
inline std::string SmallBitmap(unsigned char shade, const std::string& extra = "") {
  std::string bmp = "BM";
  auto u32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) bmp.push_back(static_cast<char>(v >> (8 * i)));
  };
  auto u16 = [&](uint16_t v) {
    bmp.push_back(static_cast<char>(v));
    bmp.push_back(static_cast<char>(v >> 8));
  };
  u32(70);
  u32(0);
  u32(54);
  u32(40);
  u32(2);
  u32(2);
  u16(1);
  u16(24);
  u32(0);
  u32(16);
  u32(2835);
  u32(2835);
  u32(0);
  u32(0);
  for (int row = 0; row < 2; ++row) {
    for (int i = 0; i < 6; ++i) bmp.push_back(static_cast<char>(shade));
    bmp.append(2, '\0');
  }
  return bmp + extra;
}

// One entry of an archive written by MakeZip: any name, so that hostile and
// unusual names can be made.
struct ZipEntry {
  std::string name;  // stored bytes
  std::string data;
  bool utf8Name = false;       // sets general purpose bit 11
  bool deflate = true;
  uint32_t dosDate = 0x5A8E6000;  // 2025-04-14 12:00:00
};

inline bool MakeZip(const std::string& path, const std::vector<ZipEntry>& entries) {
  zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
  if (!zip) return false;
  bool ok = true;
  for (const auto& e : entries) {
    zip_fileinfo info = {};
    info.dosDate = e.dosDate;
    ok = ok && zipOpenNewFileInZip4(zip, e.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                    e.deflate ? Z_DEFLATED : 0, e.deflate ? Z_DEFAULT_COMPRESSION : 0, 0, -MAX_WBITS,
                                    DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0, 0, e.utf8Name ? 0x800 : 0) == ZIP_OK;
    ok = ok && zipWriteInFileInZip(zip, e.data.data(), static_cast<unsigned>(e.data.size())) == ZIP_OK;
    ok = ok && zipCloseFileInZip(zip) == ZIP_OK;
  }
  return zipClose(zip, nullptr) == ZIP_OK && ok;
}

}  // namespace difftest
