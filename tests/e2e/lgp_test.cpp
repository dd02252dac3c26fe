// /lgp end to end on the sample install: messages, the pack's and the hash
// zip's entries, names with language and version, the positional tail, a
// second run, an install without nuvexa.exe, /copy and /install.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <vector>

#include "e2e/lgp_support.h"
#include "support/harness.h"

namespace {

using harness::Exists;
using harness::MakeDirs;
using harness::ReadFile;
using harness::Shell;
using harness::ShownPath;
using harness::TempDir;
using harness::Tool;
using harness::WriteFile;
using lgp_support::ArchiveTestsClean;
using lgp_support::EntryBytes;
using lgp_support::Entries;

const char* const kGenerated =
    "Language file (nvx_eqpanel.lng) generated\r\n"
    "Language file (nvx_hotkeys.lng) generated\r\n"
    "Language file (nvx_library.lng) generated\r\n"
    "Language file (nvx_lyrics.lng) generated\r\n"
    "Language file (nvx_playlist.lng) generated\r\n"
    "Language file (nxcore.lng) generated\r\n"
    "Language file (nxskin.lng) generated\r\n";
const char* const kVerified = "Verifying lgp_list.ini (updating as required)... already up-to-date.\r\n\r\n";
const char* const kLanguageFiles[] = {"nuvexa", "nvx_eqpanel", "nvx_hotkeys", "nvx_library",
                                      "nvx_lyrics", "nvx_playlist", "nxcore", "nxskin"};

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string LngEntries(const std::string& method) {
  std::string out;
  for (const char* name : kLanguageFiles) out += method + " " + name + ".lng\n";
  return out;
}
std::string TxtEntries() {
  std::string out;
  for (const char* name : kLanguageFiles) out += std::string("defX ") + name + ".txt\n";
  return out;
}

struct LgpTest : testing::Test {
  Tool tool;
  TempDir work;
  std::string toolDir, install;
  void SetUp() override {
    toolDir = harness::RealPath(tool.dir.path);
    install = work.Sub("Nuvexa");
    ASSERT_TRUE(lgp_support::CopySampleInstall(install));
  }
  std::string Start(const std::string& lang, const std::string& out) const {
    return "Starting building nuvexa-" + lang + ".lgp from the Nuvexa install in `" + ShownPath(install) +
           "'\r\nGenerated files will be saved in `" + ShownPath(out) + "'\r\n";
  }
  static std::string Created(const std::string& folder) {
    return "Successfully created `" + ShownPath(folder) + "'\r\n";
  }
  // The messages of a run whose pack list is created by its first query.
  std::string Passes() const { return std::string("Language file (nuvexa.lng) generated\r\n") + kVerified + kGenerated; }
};

TEST_F(LgpTest, SampleInstallMakesPackAndHashZip) {
  // Extra folders beside the tool; dll is never part of an /lgp pack.
  MakeDirs(toolDir + "/freeform/skins/dark");
  MakeDirs(toolDir + "/Docs");
  MakeDirs(toolDir + "/ini");
  MakeDirs(toolDir + "/extralng");
  MakeDirs(toolDir + "/dll");
  WriteFile(toolDir + "/freeform/skins/main.bmp", "BM");
  WriteFile(toolDir + "/freeform/skins/dark/panel.png", "png");
  WriteFile(toolDir + "/Docs/readme.txt", "read me");
  WriteFile(toolDir + "/Docs/atf.htm", "<p>");
  WriteFile(toolDir + "/Docs/notes.htm", "not taken");
  WriteFile(toolDir + "/ini/skin.ini", "[s]");
  WriteFile(toolDir + "/extralng/more.lng", "more");
  WriteFile(toolDir + "/dll/helper.dll", "MZ");

  const std::string out = toolDir + "/LangFiles";
  EXPECT_EQ(tool.Run({install, "/lgp", "en-gb"}, work.path),
            Start("en-gb", out) + Created(out) + Passes() +
                "\r\nCompleted building Nuvexa-en-gb-5_6_3_3234.lgp\r\n");

  const std::string pack = out + "/Nuvexa-en-gb-5_6_3_3234.lgp";
  const std::string hash = out + "/Nuvexa-en-gb-hash-5_6_3_3234.zip";
  EXPECT_EQ(Entries(pack), LngEntries("stor") +
                               "stor freeform\\skins\\dark\\panel.png\nstor freeform\\skins\\main.bmp\n"
                               "stor readme.txt\nstor atf.htm\nstor skin.ini\nstor more.lng\n");
  EXPECT_EQ(Entries(hash), TxtEntries());
  EXPECT_TRUE(ArchiveTestsClean(pack));
  EXPECT_TRUE(ArchiveTestsClean(hash));
  // The entries are the files of the output folder and beside the tool.
  EXPECT_EQ(EntryBytes(pack, "nvx_library.lng"), ReadFile(out + "/nvx_library.lng"));
  EXPECT_EQ(EntryBytes(pack, "freeform\\skins\\dark\\panel.png"), "png");
  EXPECT_EQ(EntryBytes(hash, "nxskin.txt"), ReadFile(out + "/nxskin.txt"));
  // British spellings made it into the language file.
  const std::string lng = ReadFile(out + "/nuvexa.lng");
  EXPECT_NE(lng.find(harness::Utf16le("&Colour Themes...")), std::string::npos);
  EXPECT_NE(lng.find(harness::Utf16le("Start &Minimised")), std::string::npos);
  // The unlisted module and the one whose identifier differs got nothing.
  EXPECT_FALSE(Exists(out + "/fanmade_viz.lng"));
  EXPECT_FALSE(Exists(out + "/nvx_ripper.lng"));
  EXPECT_FALSE(Exists(out + "/readme.lng"));
}

TEST_F(LgpTest, UseNvVerAndCompress) {
  const std::string out = toolDir + "/LangFiles_5_6_3_3234";
  EXPECT_EQ(tool.Run({install, "/lgp", "/use_nv_ver", "/compress"}, work.path),
            Start("en-us", out) + Created(out) + Passes() +
                "\r\nCompleted building Nuvexa-en-us-5_6_3_3234.lgp\r\n");
  EXPECT_EQ(Entries(out + "/Nuvexa-en-us-5_6_3_3234.lgp"), LngEntries("defX"));
  EXPECT_EQ(Entries(out + "/Nuvexa-en-us-hash-5_6_3_3234.zip"), TxtEntries());
  EXPECT_TRUE(ArchiveTestsClean(out + "/Nuvexa-en-us-5_6_3_3234.lgp"));
  EXPECT_FALSE(Exists(toolDir + "/LangFiles"));
}

TEST_F(LgpTest, TailIsReadByPosition) {
  // en-GB is used as given; /folder= then the slots. A relative folder that
  // does not exist stays relative to the working folder.
  std::string run = tool.Run({install, "/lgp", "en-GB", "/folder=packs", "/compress", "/use_nv_ver"}, work.path);
  EXPECT_EQ(run.substr(0, Start("en-GB", "packs_5_6_3_3234").size()), Start("en-GB", "packs_5_6_3_3234"));
  EXPECT_EQ(Entries(work.Sub("packs_5_6_3_3234/Nuvexa-en-GB-5_6_3_3234.lgp")), LngEntries("defX"));
  EXPECT_NE(ReadFile(work.Sub("packs_5_6_3_3234/nuvexa.lng")).find(harness::Utf16le("Equaliser")),
            std::string::npos);

  // "/en-gb" is no language identifier and "/Folder=" no folder option:
  // both are ignored slots. "/copy" in the second slot does not copy.
  MakeDirs(install + "/Lang");
  const std::string out = toolDir + "/LangFiles";
  run = tool.Run({install, "/lgp", "/en-gb", "/Folder=elsewhere", "/compress", "/copy"}, work.path);
  EXPECT_EQ(run, Start("en-us", out) + Created(out) + kVerified +
                     "Language file (nuvexa.lng) generated\r\n" + kGenerated +
                     "\r\nCompleted building Nuvexa-en-us-5_6_3_3234.lgp\r\n");
  EXPECT_EQ(Entries(out + "/Nuvexa-en-us-5_6_3_3234.lgp"), LngEntries("defX"));
  EXPECT_FALSE(Exists(work.Sub("elsewhere")));
  // An empty token is no identifier either: the folder option after it is
  // then in the first slot, where it counts for nothing.
  run = tool.Run({install, "/lgp", "", "/folder=packs2"}, work.path);
  EXPECT_EQ(run.substr(0, Start("en-us", out).size()), Start("en-us", out));
  EXPECT_FALSE(Exists(work.Sub("packs2")));
  run = tool.Run({install, "/lgp", "/compress", "/copy"}, work.path);
  EXPECT_EQ(run.find("Copied"), std::string::npos);
  std::string lang;
  Shell("ls '" + install + "/Lang'", &lang);
  EXPECT_EQ(lang, "");
}

TEST_F(LgpTest, SecondRunCleansAndReplaces) {
  const std::string out = toolDir + "/LangFiles";
  tool.Run({install, "/lgp"}, work.path);
  // Leftovers: a stale language file and hash file, an older pack of another
  // version, and a hash zip of the same name that is no zip at all.
  WriteFile(out + "/stale.lng", "old");
  WriteFile(out + "/stale.txt", "old");
  WriteFile(out + "/Nuvexa-en-us-1_0_0_0.lgp", "older pack");
  WriteFile(out + "/Nuvexa-en-us-hash-5_6_3_3234.zip", "junk");
  ASSERT_EQ(Shell("chmod a-w '" + out + "/stale.lng'"), 0);
  ASSERT_EQ(Shell("rm '" + install + "/plugins/nvx_lyrics.dll'"), 0);
  // A reader that holds the old files keeps reading them, and each new
  // file is a new file, with nothing of an old one's (permissions, say).
  // The working files of a killed run go; a user's files that only look
  // like them stay.
  ASSERT_EQ(Shell("chmod 0751 '" + out + "/nuvexa.txt'"), 0);
  const harness::HeldFiles held({out + "/nuvexa.lng", out + "/nuvexa.txt", out + "/nvx_eqpanel.lng",
                                 out + "/nvx_eqpanel.txt", out + "/nvx_lyrics.lng", out + "/stale.txt"});
  for (const char* name : {"nuvexa.lng.0123456789abcdef.tmp", "Nuvexa-en-us-5_6_3_3234.lgp.fedcba9876543210.tmp",
                           "backup.zip.2024.tmp", "thesis.txt.1.tmp", "notes.lgp.cafe.tmp"})
    WriteFile(out + "/" + name, "old");
  std::string generated = kGenerated;
  const std::string lyrics = "Language file (nvx_lyrics.lng) generated\r\n";
  generated.erase(generated.find(lyrics), lyrics.size());
  // The clean-up's messages come before the pack list's, however far the
  // builds have got meanwhile.
  EXPECT_EQ(tool.Run({install, "/lgp"}, work.path),
            Start("en-us", out) + "DeleteFile failed: `" + ShownPath(out + "/stale.lng") +
                "' [5]\r\nRead-only file. Attempting deletion again...  completed\r\n" + kVerified +
                "Language file (nuvexa.lng) generated\r\n" + generated +
                "\r\nCompleted building Nuvexa-en-us-5_6_3_3234.lgp\r\n");
  EXPECT_FALSE(Exists(out + "/stale.lng"));
  EXPECT_FALSE(Exists(out + "/stale.txt"));
  EXPECT_FALSE(Exists(out + "/nvx_lyrics.lng"));
  EXPECT_EQ(held.Changed(), std::vector<std::string>());
  std::string modes, fresh;
  Shell("cd '" + out + "' && stat -c '%h %a' nuvexa.lng nuvexa.txt nvx_eqpanel.lng nvx_eqpanel.txt | sort -u; ls | grep 'tmp$'",
        &modes);
  Shell("touch '" + work.Sub("fresh") + "' && stat -c '1 %a' '" + work.Sub("fresh") + "'", &fresh);
  EXPECT_EQ(modes, fresh + "backup.zip.2024.tmp\nnotes.lgp.cafe.tmp\nthesis.txt.1.tmp\n");
  EXPECT_EQ(ReadFile(out + "/Nuvexa-en-us-1_0_0_0.lgp"), "older pack");
  std::string expected = LngEntries("stor");
  expected.erase(expected.find("stor nvx_lyrics.lng\n"), 20);
  EXPECT_EQ(Entries(out + "/Nuvexa-en-us-5_6_3_3234.lgp"), expected);
  expected = TxtEntries();
  expected.erase(expected.find("defX nvx_lyrics.txt\n"), 20);
  EXPECT_EQ(Entries(out + "/Nuvexa-en-us-hash-5_6_3_3234.zip"), expected);
}

TEST_F(LgpTest, OldLanguageFilesLeftInTheOutputFolderAreNeverPacked) {
  const std::string out = toolDir + "/LangFiles";
  tool.Run({install, "/lgp", "en-gb"}, work.path);
  // Old language files the clean-up cannot remove: one made immutable where
  // that can be had (as root on Linux), and one in a folder named like a
  // language file, which the clean-up leaves and the "*.lng" walk enters.
  ASSERT_EQ(Shell("cp '" + out + "/nxskin.lng' '" + out + "/retired.lng'"), 0);
  struct Immutable {
    std::string path;
    bool set = !harness::DrivesWindowsBuild() && Shell("chattr +i '" + path + "' 2>/dev/null") == 0;
    ~Immutable() { Shell("chattr -i '" + path + "' 2>/dev/null"); }
  } retired{out + "/retired.lng"};
  MakeDirs(out + "/old.lng");
  WriteFile(out + "/old.lng/kept.lng", "an older language file");
  auto leftOut = [&](const std::string& path) {
    return "Leaving `" + ShownPath(path) + "' out of the pack: this run did not build it\r\n";
  };
  const std::string undeleted = "DeleteFile failed: `" + ShownPath(out + "/retired.lng") + "' [5]\r\n";
  EXPECT_EQ(tool.Run({install, "/lgp", "en-us"}, work.path),
            Start("en-us", out) + (retired.set ? undeleted : "") + kVerified +
                "Language file (nuvexa.lng) generated\r\n" + kGenerated + leftOut(out + "/old.lng/kept.lng") +
                (retired.set ? leftOut(out + "/retired.lng") : "") +
                "\r\nCompleted building Nuvexa-en-us-5_6_3_3234.lgp\r\n");
  EXPECT_EQ(Entries(out + "/Nuvexa-en-us-5_6_3_3234.lgp"), LngEntries("stor"));
}

// A pack or hash zip that replaces an older one survives a crash: its new
// file reaches the disk before the rename, and the folder after it. The
// syncs are watched with strace.
TEST_F(LgpTest, ReplacedArchivesAreSyncedBeforeTheirRenameAndTheFolderAfter) {
  if (harness::DrivesWindowsBuild()) GTEST_SKIP() << "strace watches the Linux build, not Wine";
  if (Shell("strace -f -qq -o /dev/null true 2>/dev/null") != 0)
    GTEST_SKIP() << "strace is not installed, or may not trace processes here";
  const std::string out = toolDir + "/LangFiles", log = work.Sub("syncs.log");
  tool.Run({install, "/lgp"}, work.path);
  // The leak checker of a sanitizer build cannot work while strace traces
  // the run, and ends it with an error.
  std::string run;
  ASSERT_EQ(Shell("cd '" + work.path + "' && ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0\" timeout " +
                      std::to_string(PACKSMITH_RUN_LIMIT) + " strace -f -qq -y -o '" + log +
                      "' -e trace=fsync,fdatasync,syncfs,rename,renameat,renameat2 '" + tool.exe + "' '" + install +
                      "' /lgp </dev/null 2>&1",
                  &run),
            0)
      << run;
  ASSERT_TRUE(EndsWith(run, "\r\nCompleted building Nuvexa-en-us-5_6_3_3234.lgp\r\n")) << run;
  // Each call as "<thread> <call>(<arguments>", without its result.
  std::vector<std::pair<std::string, std::string>> calls;
  std::istringstream lines(ReadFile(log));
  for (std::string line; std::getline(lines, line);) {
    const size_t space = line.find(' '), call = line.find_first_not_of(' ', space);
    if (call != std::string::npos && line.compare(call, 5, "<... ") != 0)
      calls.emplace_back(line.substr(0, space), line.substr(call));
  }
  for (const char* archive : {"/Nuvexa-en-us-5_6_3_3234.lgp", "/Nuvexa-en-us-hash-5_6_3_3234.zip"}) {
    SCOPED_TRACE(archive);
    // The rename onto the archive; its first name is the working file's.
    const std::string target = "\"" + out + archive + "\"";
    size_t renamed = 0;
    while (renamed < calls.size() && calls[renamed].second.find(target) == std::string::npos) ++renamed;
    ASSERT_LT(renamed, calls.size()) << ReadFile(log);
    const std::string& rename = calls[renamed].second;
    const size_t quote = rename.find('"');
    const std::string working = rename.substr(quote + 1, rename.find('"', quote + 1) - quote - 1);
    // The working file: synced before the rename, never after it.
    int before = 0, after = 0;
    for (size_t i = 0; i < calls.size(); ++i)
      if (calls[i].second.find("<" + working + ">") != std::string::npos) ++(i < renamed ? before : after);
    EXPECT_GE(before, 1) << ReadFile(log);
    EXPECT_EQ(after, 0) << ReadFile(log);
    // The renaming thread's next call syncs the folder.
    std::string next;
    for (size_t i = renamed + 1; i < calls.size() && next.empty(); ++i)
      if (calls[i].first == calls[renamed].first) next = calls[i].second;
    EXPECT_EQ(next.substr(0, next.find('(')) + " " + next.substr(next.find('<') + 1, next.find('>') - next.find('<') - 1),
              "fsync " + out)
        << ReadFile(log);
  }
}

TEST_F(LgpTest, OutputFolderInTheInstallIsCleanedBeforeItIsListed) {
  // A listed module named like a language file, in an install that is its
  // own output folder: the clean-up removes it before the install is
  // listed, so it is never built (and never overwritten by its own output).
  ASSERT_EQ(Shell("cp '" + install + "/plugins/nvx_lyrics.dll' '" + install + "/odd.lng'"), 0);
  WriteFile(toolDir + "/lgp_list.ini", "[Bonus Bundle]\r\nodd.lng=" + lgp_support::DefaultGuid("nvx_lyrics.dll") + "\r\n");
  const std::string run = tool.Run({install, "/lgp", "/folder=" + install}, work.path);
  EXPECT_EQ(run.find("odd.lng"), std::string::npos) << run;
  EXPECT_TRUE(EndsWith(run, "\r\nCompleted building Nuvexa-en-us-5_6_3_3234.lgp\r\n")) << run;
  EXPECT_FALSE(Exists(install + "/odd.lng"));
  EXPECT_FALSE(Exists(install + "/odd.txt"));
}

TEST_F(LgpTest, InstallWithoutHostOrModules) {
  ASSERT_EQ(Shell("rm '" + install + "/nuvexa.exe'"), 0);
  const std::string out = toolDir + "/LangFiles__no_version_";
  EXPECT_EQ(tool.Run({install, "/lgp", "/use_nv_ver"}, work.path),
            Start("en-us", out) + Created(out) + kVerified + kGenerated +
                "\r\nCompleted building Nuvexa-en-us-_no_version_.lgp\r\n");
  EXPECT_TRUE(Exists(out + "/Nuvexa-en-us-hash-_no_version_.zip"));

  // Nothing eligible: no pack and no hash zip. A file path as the install
  // stands for its folder.
  TempDir empty;
  WriteFile(empty.Sub("nuvexa.ini"), "[Nuvexa]\r\n");
  const std::string out2 = toolDir + "/LangFiles";
  const std::string run = tool.Run({empty.Sub("nuvexa.ini"), "/lgp", "de-de"}, work.path);
  EXPECT_EQ(run, "Starting building nuvexa-de-de.lgp from the Nuvexa install in `" + ShownPath(empty.path) +
                     "'\r\nGenerated files will be saved in `" + ShownPath(out2) + "'\r\n" + Created(out2) + kVerified + "No files were processed, aborting building Nuvexa-de-de.lgp\r\n");
  std::string listing;
  Shell("ls '" + out2 + "'", &listing);
  EXPECT_EQ(listing, "");

}

TEST_F(LgpTest, FilesThatCannotBeZippedAreLeftOut) {
  // The only eligible module's name has no Windows-1252 form, so its
  // language file cannot go into the pack, which then holds nothing. The
  // zip writer's message is not silenced by /nomsgs; the flow's own
  // messages are.
  TempDir other;
  MakeDirs(other.Sub("plugins"));
  const std::string fine = install + "/plugins/nvx_lyrics.dll";
  ASSERT_EQ(Shell("cp '" + fine + "' '" + other.Sub("plugins/\xE5\x90\x8D.dll") + "'"), 0);
  const std::string guid = "={661B1760-C8F4-4867-AECE-410A71E29B08}\r\n";
  WriteFile(toolDir + "/lgp_list.ini", "[Bonus Bundle]\r\n\xE5\x90\x8D.dll" + guid);
  const std::string out = toolDir + "/LangFiles";
  const std::string pack = out + "/Nuvexa-en-us-_no_version_.lgp", hash = out + "/Nuvexa-en-us-hash-_no_version_.zip";
  const std::string start = "Starting building nuvexa-en-us.lgp from the Nuvexa install in `" + ShownPath(other.path) +
                            "'\r\nGenerated files will be saved in `" + ShownPath(out) + "'\r\n";
  const std::string completed = "\r\nCompleted building Nuvexa-en-us-_no_version_.lgp\r\n";
  EXPECT_EQ(tool.Run({other.path, "/lgp", "/nomsgs"}, work.path),
            "error in opening " + ShownPath(out + "/?.lng") + " for reading\r\n");
  ASSERT_EQ(Shell("rm -r '" + out + "'"), 0);
  EXPECT_EQ(tool.Run({other.path, "/lgp"}, work.path),
            start + Created(out) + "Verifying lgp_list.ini (updating as required)... already up-to-date.\r\n\r\n"
                "Language file (\xE5\x90\x8D.lng) generated\r\nerror in opening " + ShownPath(out + "/?.lng") +
                " for reading\r\nIssue detected when adding lng files, aborting building Nuvexa-en-us.lgp\r\n");
  EXPECT_FALSE(Exists(pack));
  EXPECT_FALSE(Exists(hash));

  // Beside a language file that can be zipped, and with an extra file that
  // cannot be read (a FIFO, on Linux; an empty entry): each is told and
  // left out, as its hash text is from the hash zip; the pack and the hash
  // zip hold every other file, and the run completes.
  ASSERT_EQ(Shell("cp '" + fine + "' '" + other.Sub("plugins/fine.dll") + "'"), 0);
  WriteFile(toolDir + "/lgp_list.ini", "[Bonus Bundle]\r\nfine.dll" + guid + "\xE5\x90\x8D.dll" + guid);
  const bool fifo = !harness::DrivesWindowsBuild();
  MakeDirs(toolDir + "/freeform");
  if (fifo) {
    ASSERT_EQ(Shell("mkfifo '" + toolDir + "/freeform/pipe.bmp'"), 0);
  }
  EXPECT_EQ(tool.Run({other.path, "/lgp"}, work.path),
            start + "Verifying lgp_list.ini (updating as required)... updates have been made.\r\n\r\n"
                "Language file (fine.lng) generated\r\nLanguage file (\xE5\x90\x8D.lng) generated\r\n"
                "error in opening " + ShownPath(out + "/?.lng") + " for reading\r\n" +
                (fifo ? "error in opening " + toolDir + "/freeform/pipe.bmp for reading\r\n" : "") +
                "error in opening " + ShownPath(out + "/?.txt") + " for reading\r\n" + completed);
  EXPECT_EQ(Entries(pack), fifo ? "stor fine.lng\nstor freeform\\pipe.bmp\n" : "stor fine.lng\n");
  EXPECT_EQ(Entries(hash), "defX fine.txt\n");
}

TEST_F(LgpTest, CopyAndInstallWithoutPathsIni) {
  const std::string out = toolDir + "/LangFiles";
  const std::string done = "\r\nCompleted building Nuvexa-en-gb-5_6_3_3234.lgp\r\n";
  // No Lang folder: the copy fails with the platform's error number.
  std::string run = tool.Run({install, "/lgp", "en-gb", "/x", "/y", "/copy", "/install"}, work.path);
  EXPECT_NE(run.find(done + "Failed to copy language file to " + ShownPath(install + "/Lang/Nuvexa-en-gb.lgp") + " [3]\r\n"),
            std::string::npos)
      << run;
  EXPECT_FALSE(Exists(install + "/nuvexa.ini"));

  // The install's Lang folder, found whatever its case; the settings file
  // is then the install's own nuvexa.ini, created when missing.
  // Linux names it as it is on disk, Windows by the tool's own spelling.
  MakeDirs(install + "/lang");
  const std::string copy = ShownPath(install + (harness::DrivesWindowsBuild() ? "/Lang" : "/lang") + "/Nuvexa-en-gb.lgp");
  run = tool.Run({install, "/lgp", "en-gb", "/x", "/y", "/COPY", "/install"}, work.path);
  EXPECT_TRUE(EndsWith(run, done + "Copied language file to " + copy + "\r\n")) << run;
  EXPECT_EQ(ReadFile(install + "/lang/Nuvexa-en-gb.lgp"), ReadFile(out + "/Nuvexa-en-gb-5_6_3_3234.lgp"));
  EXPECT_EQ(ReadFile(install + "/nuvexa.ini"), "[Nuvexa]\r\nlangpack=Nuvexa-en-gb.lgp\r\n");

  // A read-only copy in the way: access denied, and no /install.
  WriteFile(install + "/nuvexa.ini", "[Nuvexa]\r\nlangpack=old.lgp\r\n");
  ASSERT_EQ(Shell("chmod a-w '" + install + "/lang/Nuvexa-en-gb.lgp'"), 0);
  run = tool.Run({install, "/lgp", "en-gb", "/x", "/y", "/copy", "/install"}, work.path);
  EXPECT_NE(run.find(done + "Failed to copy language file to " + copy + " [5]\r\n"),
            std::string::npos)
      << run;
  EXPECT_EQ(ReadFile(install + "/nuvexa.ini"), "[Nuvexa]\r\nlangpack=old.lgp\r\n");
}

TEST_F(LgpTest, CopyAndInstallThroughPathsIni) {
  TempDir settings;
  ASSERT_EQ(setenv("PACKSMITH_TEST_SETTINGS", ShownPath(settings.path).c_str(), 1), 0);
  const std::string langs = ShownPath(settings.Sub("langs"));
  MakeDirs(settings.Sub("langs"));
  WriteFile(install + "/Paths.INI", "; where the settings live\r\n[Nuvexa]\r\ninidir=%PACKSMITH_TEST_SETTINGS%\r\n");
  WriteFile(settings.Sub("nuvexa.ini"),
            "[Nuvexa]\r\nlangdir=" + langs + "\r\nvolume=80\r\n\r\n[Skin]\r\nname=dark\r\n");
  std::string run = tool.Run({install, "/lgp", "en-gb", "/compress", "/use_nv_ver", "/copy", "/install"},
                             work.path);
  EXPECT_TRUE(EndsWith(run, "\r\nCompleted building Nuvexa-en-gb-5_6_3_3234.lgp\r\nCopied language file to " +
                                ShownPath(settings.Sub("langs/Nuvexa-en-gb.lgp")) + "\r\n"))
      << run;
  EXPECT_TRUE(ArchiveTestsClean(settings.Sub("langs/Nuvexa-en-gb.lgp")));
  EXPECT_EQ(ReadFile(settings.Sub("nuvexa.ini")), "[Nuvexa]\r\nlangdir=" + langs +
                                                      "\r\nvolume=80\r\nlangpack=Nuvexa-en-gb.lgp\r\n\r\n[Skin]\r\n"
                                                      "name=dark\r\n");

  // A settings file without langdir: the install's Lang folder, but the
  // settings file named by paths.ini still records the pack.
  MakeDirs(install + "/Lang");
  WriteFile(settings.Sub("nuvexa.ini"), "[Nuvexa]\nlangpack=\"old.lgp\"\n");
  tool.Run({install, "/lgp", "fr-fr", "/x", "/y", "/copy", "/install"}, work.path);
  EXPECT_TRUE(Exists(install + "/Lang/Nuvexa-fr-fr.lgp"));
  EXPECT_EQ(ReadFile(settings.Sub("nuvexa.ini")), "[Nuvexa]\nlangpack=Nuvexa-fr-fr.lgp\n");
  EXPECT_FALSE(Exists(install + "/nuvexa.ini"));

  // /copy without /install copies only.
  WriteFile(settings.Sub("nuvexa.ini"), "[Nuvexa]\r\nlangdir=" + langs + "\r\n");
  tool.Run({install, "/lgp", "de-de", "/x", "/y", "/copy"}, work.path);
  EXPECT_TRUE(Exists(settings.Sub("langs/Nuvexa-de-de.lgp")));
  EXPECT_EQ(ReadFile(settings.Sub("nuvexa.ini")), "[Nuvexa]\r\nlangdir=" + langs + "\r\n");
  unsetenv("PACKSMITH_TEST_SETTINGS");

  // A special folder the platform does not map: the copy goes to the Lang
  // folder and nothing is written under "<invalid>", even where a folder
  // of that name is there to take it.
  for (const char* number : {"35", "9999"}) {
    WriteFile(install + "/Paths.INI", std::string("[Nuvexa]\r\ninidir={") + number + "}\r\n");
    MakeDirs(work.Sub("<invalid>"));
    run = tool.Run({install, "/lgp", "en-gb", "/x", "/y", "/copy", "/install"}, work.path);
    EXPECT_TRUE(EndsWith(run, "Copied language file to " + ShownPath(install + "/Lang/Nuvexa-en-gb.lgp") + "\r\n")) << run;
    EXPECT_EQ(Shell("ls -A '" + work.Sub("<invalid>") + "' | grep -q ."), 1) << number;
    EXPECT_EQ(Shell("find '" + install + "' '" + toolDir + "' -name '*invalid*' | grep -q ."), 1) << number;
  }
}

}  // namespace

// An install large enough for several workers to overlap, with a listed
// module that cannot be read, one whose identifier differs among the ones
// that build, and two of the same name (extra3.dll in the root and in
// plugins) whose hash texts go into one file.
struct LgpWorkers : LgpTest {
  void SetUp() override {
    LgpTest::SetUp();
    list = "[Bonus Bundle]\r\nbroken.dll=" + lgp_support::DefaultGuid("nvx_lyrics.dll") + "\r\n";
    for (int i = 0; i < 24; ++i) {
      const std::string name = "extra" + std::to_string(i) + ".dll";
      ASSERT_EQ(Shell("cp '" + install + "/plugins/" + (i % 2 ? "nvx_lyrics.dll" : "nvx_ripper.dll") + "' '" +
                      install + "/plugins/" + name + "'"),
                0);
      list += name + "=" + lgp_support::DefaultGuid("nvx_lyrics.dll") + "\r\n";
    }
    WriteFile(install + "/plugins/broken.dll", "MZ and nothing of a module");
    ASSERT_EQ(Shell("cp '" + install + "/plugins/nvx_lyrics.dll' '" + install + "/extra3.dll'"), 0);
    WriteFile(toolDir + "/lgp_list.ini", list);
  }
  std::string list;
  // One run with the given number of workers: its output and every file it
  // left in its output folder (archives without their entry times).
  std::pair<std::string, std::map<std::string, std::string>> Run(const char* workers, const std::string& out) {
    harness::EnvOverride env("PACKSMITH_WORKERS", workers);
    WriteFile(toolDir + "/lgp_list.ini", list);  // each run merges the defaults into the same list
    const std::string printed = tool.Run({install, "/lgp", "en-gb", "/folder=" + out}, work.path);
    const auto files = lgp_support::FolderFiles(out);
    return {printed, files};
  }
};

TEST_F(LgpWorkers, TwoWorkersGiveTheBytesOfOne) {
  const auto one = Run("1", work.Sub("one"));
  const auto two = Run("2", work.Sub("two"));
  std::string expected = one.first;
  const std::string from = ShownPath(work.Sub("one")), to = ShownPath(work.Sub("two"));
  for (size_t at; (at = expected.find(from)) != std::string::npos;) expected.replace(at, from.size(), to);
  EXPECT_EQ(two.first, expected);
  EXPECT_EQ(two.second, one.second);
  EXPECT_EQ(one.second.size(), 2 * (8 + 12) + 2u);  // .lng and .txt of 8 + 12 modules, pack, hash zip
  // The namesakes' hash text file holds both texts, and so does its entry.
  const std::string both = one.second.at("extra3.txt");
  EXPECT_EQ(both, one.second.at("extra1.txt") + one.second.at("extra1.txt"));
  EXPECT_EQ(lgp_support::EntryBytes(work.Sub("one/Nuvexa-en-gb-hash-5_6_3_3234.zip"), "extra3.txt"), both);
}

TEST_F(LgpWorkers, ListedModuleThatCannotBeReadIsNamed) {
  const std::string printed = tool.Run({install, "/lgp"}, work.path);
  const size_t named = printed.find("Unable to load the listed module `" + ShownPath(install + "/plugins/broken.dll") + "'\r\n");
  ASSERT_NE(named, std::string::npos) << printed;
  // In list order: after the root's module, before the first plug-in built.
  EXPECT_LT(printed.find("Language file (nuvexa.lng) generated\r\n"), named);
  EXPECT_GT(printed.find("Language file (extra1.lng) generated\r\n"), named);
  EXPECT_TRUE(EndsWith(printed, "\r\nCompleted building Nuvexa-en-us-5_6_3_3234.lgp\r\n")) << printed;
  EXPECT_FALSE(Exists(toolDir + "/LangFiles/broken.lng"));
}
