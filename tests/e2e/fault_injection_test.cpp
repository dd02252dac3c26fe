// Writes that fail: a folder the user may not write to, a full disk (a
// file-size limit), a target that is a folder, a pack that cannot be
// replaced, and /lgp runs cut short. The file being changed stays byte for
// byte as it was, nothing half-written is left behind, and the command's
// failure message is printed.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <sys/stat.h>

#include "e2e/lgp_support.h"
#include "e2e/maintenance_helpers.h"
#include "support/harness.h"

namespace {

using harness::Exists;
using harness::ReadBytes;
using harness::ReadFile;
using harness::Shell;
using harness::ShownPath;
using harness::TempDir;
using harness::Tool;
using harness::WriteFile;

// The tool as a shell command starts it: the Windows build under Wine.
std::string Command(const Tool& tool) {
  const std::string exe = "'" + tool.exe + "'";
  return tool.windows ? "'" + std::string(PACKSMITH_SOURCE_DIR) + "/tests/wine/run.sh' " + exe : exe;
}

// A language file with every leftover /clean strips and some 70 KiB of
// strings, so that any rewrite of it, or a language file built from it, is
// larger than the file-size limit below.
const std::string kLeftovers =
    "LANGUAGE 0, 1\nSTRINGTABLE\nBEGIN\n 1 \"one\"\n 65535 \"{GUID}\"\nEND\n"
    "LANGUAGE 0, 1\nHASH HASH\nBEGIN\n \"digest\\0\"\nEND\n"
    "LANGUAGE 0, 1\nGUIDELINES DESIGNINFO\nBEGIN\n \"guides\\0\"\nEND\n"
    "LANGUAGE 0, 1\n1 255\nBEGIN\n 0x1234, 0x5678\nEND\n";
constexpr long kLimit = 16 * 1024;

std::string LongStrings() {
  std::string rc = "LANGUAGE 0, 1\nSTRINGTABLE\nBEGIN\n";
  for (int id = 1000; id < 1300; ++id) rc += " " + std::to_string(id) + " \"" + std::string(120, 'a' + id % 26) + "\"\n";
  return rc + "END\n";
}

std::vector<std::string> Listing(const std::string& folder) {
  std::string out;
  Shell("ls -A '" + folder + "'", &out);
  std::vector<std::string> names;
  size_t start = 0;
  for (size_t end; (end = out.find('\n', start)) != std::string::npos; start = end + 1)
    names.push_back(out.substr(start, end - start));
  return names;
}

struct FailedCommit : testing::Test {
  Tool tool;
  TempDir dir;
  std::string folder, lng, ini;
  std::vector<uint8_t> original;
  void SetUp() override {
    folder = dir.Sub("lang");
    harness::MakeDirs(folder);
    lng = folder + "/a.lng";
    // Linked elsewhere: the linker leaves an import library beside the module.
    ASSERT_TRUE(harness::BuildResourceDll(kLeftovers + LongStrings(), dir.Sub("a.dll")));
    ASSERT_EQ(Shell("cp '" + dir.Sub("a.dll") + "' '" + lng + "'"), 0);
    original = ReadBytes(lng);
    ini = dir.Sub("s.ini");
    WriteFile(ini, "[S]\r\n1=hello\r\n");
  }
  void TearDown() override { ::chmod(folder.c_str(), 0755); }

  // Every command that rewrites the file fails with `error` and leaves it,
  // and its folder, exactly as they were.
  void ExpectEveryCommitRefused(const Tool::Limits& limits, int error) {
    const std::string failed = "Failed to commit the updates to file (" + lng + ")\r\n";
    auto run = [&](const std::vector<std::string>& args) {
      const Tool::Result r = tool.RunLimited(args, limits, dir.path);
      EXPECT_EQ(r.status, 0) << r.err;
      return r.out;
    };
    EXPECT_EQ(run({lng, "/clear"}), "Attempting to remove HASH section...\r\n" + failed);
    EXPECT_EQ(run({lng, "/ini_tx", ini}),
              "Attempting to transfer ini strings into lng file...\r\n"
              "Detected 1 strings to transfer [equals 1 stringtable blocks]\r\n" +
                  failed + "Completed ini string to lng file transfer\r\n");
    const std::string code = " " + std::to_string(error) + "\r\n";
    EXPECT_EQ(run({folder, "/clean"}),
              "Attempting to cleanup the lng files in the passed folder...\r\n"
              "Failed to remove the HASH section from the file (" + lng + ")" + code +
                  "Failed to remove the 255 section from the file (" + lng + ")" + code +
                  "Failed to remove the DESIGNINFO section from the file (" + lng + ")" + code +
                  "Completed lng file cleanup - 0 files were cleaned.\r\n");
    EXPECT_TRUE(ReadBytes(lng) == original);
    EXPECT_EQ(Listing(folder), std::vector<std::string>{"a.lng"});
  }
};

TEST_F(FailedCommit, ReadOnlyFolder) {
  SKIP_WITHOUT_LINUX_LIMITS();
  if (!harness::CanHonourPermissions()) GTEST_SKIP() << "root cannot give up its permission override here";
  ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
  Tool::Limits limits;
  limits.honourPermissions = true;
  ExpectEveryCommitRefused(limits, 5);
}

TEST_F(FailedCommit, DiskFull) {
  SKIP_WITHOUT_LINUX_LIMITS();
  Tool::Limits limits;
  limits.fileSizeBytes = kLimit;
  ExpectEveryCommitRefused(limits, 112);
}

TEST_F(FailedCommit, FullDiskDuringBuildLeavesNoLanguageFile) {
  SKIP_WITHOUT_LINUX_LIMITS();
  // The hash text is short enough to be written; the language file is not.
  const std::string out = dir.Sub("out");
  Tool::Limits limits;
  limits.fileSizeBytes = kLimit;
  const Tool::Result r = tool.RunLimited({lng, "/build", "/folder=" + out}, limits, dir.path);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Successfully created `" + out + "'\r\nStarting hash file generation\r\n" + out + "/a.txt " + lng +
                       "\r\nFailed to commit the updates to file (" + out + "/a.lng)\r\nAborting\r\n");
  EXPECT_EQ(Listing(out), std::vector<std::string>{"a.txt"});
  EXPECT_TRUE(ReadBytes(lng) == original);
}

TEST_F(FailedCommit, LanguageFileThatIsAFolder) {
  // The folder of that name is neither cleaned away nor written into.
  const std::string out = dir.Sub("out");
  harness::MakeDirs(out + "/a.lng/inside");
  EXPECT_EQ(tool.Run({lng, "/build", "/folder=" + out}, dir.path),
            "Starting working folder cleanup\r\nDeleteFile failed: `" + ShownPath(out + "/a.lng") +
                "' [5]\r\nCompleted working folder cleanup\r\nStarting hash file generation\r\n" +
                ShownPath(out + "/a.txt") + " " + ShownPath(lng) +
                "\r\nUnable to start the resource update process (a.lng)\r\nAborting\r\n");
  EXPECT_EQ(Listing(out), (std::vector<std::string>{"a.lng", "a.txt"}));
  EXPECT_EQ(Listing(out + "/a.lng"), std::vector<std::string>{"inside"});
}

struct PackRunFaults : testing::Test {
  Tool tool;
  TempDir work;
  std::string toolDir, install, out, pack, hashZip;
  void SetUp() override {
    toolDir = harness::RealPath(tool.dir.path);
    install = work.Sub("Nuvexa");
    ASSERT_TRUE(lgp_support::CopySampleInstall(install));
    // Enough modules for a run to be stopped at any point of it.
    std::string list = "[Bonus Bundle]\r\n";
    const std::string guid = lgp_support::DefaultGuid("nvx_lyrics.dll");
    for (int i = 0; i < 120; ++i) {
      const std::string name = "extra" + std::to_string(i) + ".dll";
      ASSERT_EQ(Shell("cp '" + install + "/plugins/nvx_lyrics.dll' '" + install + "/plugins/" + name + "'"), 0);
      list += name + "=" + guid + "\r\n";
    }
    WriteFile(toolDir + "/lgp_list.ini", list);
    out = toolDir + "/LangFiles";
    pack = out + "/Nuvexa-en-us-5_6_3_3234.lgp";
    hashZip = out + "/Nuvexa-en-us-hash-5_6_3_3234.zip";
  }
};

TEST_F(PackRunFaults, LgpStoppedAtAnyPointLeavesNoPackThatLooksWhole) {
  // With /copy, so that the install's current pack is replaced at the end
  // of every run too.
  harness::MakeDirs(install + "/Lang");
  const std::string installed = install + "/Lang/Nuvexa-en-us.lgp";
  const auto started = std::chrono::steady_clock::now();
  tool.Run({install, "/lgp", "/x", "/y", "/copy"}, work.path);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  ASSERT_TRUE(lgp_support::ArchiveTestsClean(pack));
  ASSERT_TRUE(lgp_support::ArchiveTestsClean(installed));
  const std::string wholePack = lgp_support::Entries(pack), wholeHash = lgp_support::Entries(hashZip);

  // Killed outright at points spread over the run, the zipping and copying
  // at its end most of all, and at a few seeded random moments: a pack or
  // hash zip under its own name, and the install's pack, is always whole.
  std::vector<double> moments = {0.1, 0.5, 0.7, 0.8, 0.85, 0.9, 0.93, 0.96, 0.99};
  std::mt19937 random(20261208);
  std::uniform_real_distribution<double> late(0.75, 1.0);
  for (int i = 0; i < 4; ++i) moments.push_back(late(random));
  for (double at : moments) {
    Shell("cd '" + work.path + "' && timeout -s KILL " + std::to_string(seconds * at) + " " + Command(tool) + " '" +
          install + "' /lgp /x /y /copy >/dev/null 2>&1");
    if (Exists(pack)) {
      EXPECT_EQ(lgp_support::Entries(pack), wholePack) << "killed at " << at;
    }
    if (Exists(hashZip)) {
      EXPECT_EQ(lgp_support::Entries(hashZip), wholeHash) << "killed at " << at;
    }
    EXPECT_TRUE(lgp_support::ArchiveTestsClean(installed)) << "killed at " << at;
  }

  // The next run finishes, and leaves no working file behind.
  tool.Run({install, "/lgp"}, work.path);
  EXPECT_TRUE(lgp_support::ArchiveTestsClean(pack));
  EXPECT_EQ(lgp_support::Entries(pack), wholePack);
  EXPECT_EQ(lgp_support::Entries(hashZip), wholeHash);
  for (const std::string& name : Listing(out)) EXPECT_FALSE(name.ends_with(".tmp")) << name;
}

TEST_F(PackRunFaults, FullDiskWhileZippingPublishesNoPack) {
  SKIP_WITHOUT_LINUX_LIMITS();
  // Each language file fits under the limit; the pack does not.
  Tool::Limits limits;
  limits.fileSizeBytes = kLimit;
  const Tool::Result r = tool.RunLimited({install, "/lgp"}, limits, work.path);
  EXPECT_EQ(r.status, 0) << r.err;
  // The writer names the failure, never the working file.
  EXPECT_NE(r.out.find(" in the zipfile\r\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find(".tmp"), std::string::npos) << r.out;
  EXPECT_TRUE(r.out.ends_with("Issue detected when adding lng files, aborting building Nuvexa-en-us.lgp\r\n")) << r.out;
  EXPECT_FALSE(Exists(pack));
  for (const std::string& name : Listing(out))  // the language and hash text files alone
    EXPECT_TRUE(name.ends_with(".lng") || name.ends_with(".txt")) << name;
  EXPECT_FALSE(Exists(hashZip));
}

TEST_F(PackRunFaults, PackThatCannotBeReplacedStaysAsItWas) {
  harness::MakeDirs(out);
  WriteFile(pack, "an older pack");
  ASSERT_EQ(::chmod(pack.c_str(), 0444), 0);
  const std::string run = tool.Run({install, "/lgp"}, work.path);
  EXPECT_TRUE(run.ends_with("error opening " + ShownPath(pack) +
                            "\r\nIssue detected when adding lng files, aborting building Nuvexa-en-us.lgp\r\n"))
      << run;
  EXPECT_EQ(ReadFile(pack), "an older pack");
  for (const std::string& name : Listing(out)) EXPECT_FALSE(name.ends_with(".tmp")) << name;
}

// The install's current pack replaced by /copy, and its settings file by
// /install, when the new pack cannot be written beside it: both stay byte
// for byte. (A file-size limit cannot tell the copy from the pack it copies:
// both are the same size, so the zipping meets it first.)
struct InstallFault {
  const char* name;
  Tool::Limits limits;
  bool readOnlyLang;
};

TEST_F(PackRunFaults, CopyIntoTheInstallThatFailsKeepsTheCurrentPack) {
  SKIP_WITHOUT_LINUX_LIMITS();
  if (!harness::CanHonourPermissions()) GTEST_SKIP() << "root cannot give up its permission override here";
  harness::MakeDirs(install + "/Lang");
  const std::string current = install + "/Lang/Nuvexa-en-us.lgp", settings = install + "/nuvexa.ini";
  Tool::Limits permissions;
  permissions.honourPermissions = true;
  for (const InstallFault& fault : {InstallFault{"read-only Lang folder", permissions, true}}) {
    WriteFile(current, "the player's current pack");
    WriteFile(settings, "[Nuvexa]\r\nlangpack=old.lgp\r\n");
    if (fault.readOnlyLang) {
      ASSERT_EQ(::chmod((install + "/Lang").c_str(), 0555), 0);
    }
    // Copy as a separate step: a run whose zipping meets the limit copies nothing.
    const std::string run = tool.RunLimited({install, "/lgp", "/x", "/y", "/copy", "/install"}, fault.limits,
                                            work.path).out;
    ::chmod((install + "/Lang").c_str(), 0755);
    EXPECT_EQ(run.find("Copied language file"), std::string::npos) << fault.name << run;
    EXPECT_EQ(ReadFile(current), "the player's current pack") << fault.name;
    EXPECT_EQ(ReadFile(settings), "[Nuvexa]\r\nlangpack=old.lgp\r\n") << fault.name;
    EXPECT_EQ(Listing(install + "/Lang"), std::vector<std::string>{"Nuvexa-en-us.lgp"}) << fault.name;
  }
}

TEST_F(PackRunFaults, TwoRunsIntoOneFolderNeverMixTheirFiles) {
  // en-gb and en-us into the default LangFiles at once: the second waits
  // for the first, and each pack holds its own language files only.
  const std::string gbPack = out + "/Nuvexa-en-gb-5_6_3_3234.lgp";
  // The folder is held for a moment first, so the runs always meet there
  // however fast the machine is. (The Windows build locks it with a named
  // mutex, which the flock does not hold: its runs meet when they happen to.)
  const std::string both = "cd '" + work.path + "' && mkdir -p '" + out + "' && (flock '" + out +
                           "' sleep 1 & sleep 0.3; " + Command(tool) + " '" + install + "' /lgp en-gb > gb.out & " +
                           Command(tool) + " '" + install + "' /lgp en-us > us.out; wait)";
  ASSERT_EQ(Shell(both), 0);
  const std::string gb = ReadFile(work.Sub("gb.out")), us = ReadFile(work.Sub("us.out"));
  EXPECT_TRUE(gb.ends_with("Completed building Nuvexa-en-gb-5_6_3_3234.lgp\r\n")) << gb;
  EXPECT_TRUE(us.ends_with("Completed building Nuvexa-en-us-5_6_3_3234.lgp\r\n")) << us;
  if (!harness::DrivesWindowsBuild()) {
    EXPECT_NE((gb + us).find("Waiting for another run to finish with `" + out + "'...\r\n"), std::string::npos);
  }
  ASSERT_TRUE(lgp_support::ArchiveTestsClean(gbPack));
  ASSERT_TRUE(lgp_support::ArchiveTestsClean(pack));
  EXPECT_EQ(lgp_support::Entries(gbPack), lgp_support::Entries(pack));
  const std::string colour = harness::Utf16le("&Colour Themes...");
  EXPECT_NE(lgp_support::EntryBytes(gbPack, "nuvexa.lng").find(colour), std::string::npos);
  EXPECT_EQ(lgp_support::EntryBytes(pack, "nuvexa.lng").find(colour), std::string::npos);
}

TEST_F(PackRunFaults, LanguageFileLostToAFullDiskKeepsTheOldPack) {
  SKIP_WITHOUT_LINUX_LIMITS();
  // One listed module's language file is larger than the file-size limit;
  // the others and the deflated pack would fit. The pack would lack that
  // module, so the old one stays.
  TempDir small;
  const std::string smallInstall = small.Sub("Nuvexa");
  ASSERT_TRUE(lgp_support::CopySampleInstall(smallInstall));
  ASSERT_TRUE(harness::BuildResourceDll(kLeftovers + LongStrings(), small.Sub("big.dll")));
  ASSERT_EQ(Shell("cp '" + small.Sub("big.dll") + "' '" + smallInstall + "/plugins/big.dll'"), 0);
  WriteFile(toolDir + "/lgp_list.ini", "[Bonus Bundle]\r\nbig.dll={GUID}\r\n");
  harness::MakeDirs(out);
  WriteFile(pack, "an older pack");
  Tool::Limits limits;
  limits.fileSizeBytes = kLimit;
  const Tool::Result r = tool.RunLimited({smallInstall, "/lgp", "/compress"}, limits, work.path);
  EXPECT_NE(r.out.find("Failed to commit the updates to file (" + out + "/big.lng)\r\nAborting\r\n"),
            std::string::npos)
      << r.out;
  EXPECT_TRUE(r.out.ends_with("Issue detected when adding lng files, aborting building Nuvexa-en-us.lgp\r\n")) << r.out;
  EXPECT_EQ(ReadFile(pack), "an older pack");
}

TEST_F(PackRunFaults, HashZipThatCannotBeReplacedDoesNotTakeDownThePack) {
  // The pack is published; the hash zip's failure is told, its old file
  // stays, and the run neither completes nor copies the pack.
  harness::MakeDirs(out);
  harness::MakeDirs(install + "/Lang");
  WriteFile(pack, "an older pack");
  WriteFile(hashZip, "an older hash zip");
  ASSERT_EQ(::chmod(hashZip.c_str(), 0444), 0);
  const std::string run = tool.Run({install, "/lgp", "/x", "/y", "/copy"}, work.path);
  EXPECT_TRUE(run.ends_with(" generated\r\nerror in closing " + ShownPath(hashZip) + "\r\n"))
      << run;
  EXPECT_TRUE(lgp_support::ArchiveTestsClean(pack));
  EXPECT_EQ(ReadFile(hashZip), "an older hash zip");
  EXPECT_TRUE(Listing(install + "/Lang").empty());
  for (const std::string& name : Listing(out)) EXPECT_FALSE(name.ends_with(".tmp")) << name;
}

}  // namespace

TEST(ZipupFault, PackThatCannotBeReplacedStaysAsItWas) {
  Tool tool;
  TempDir dir;
  const std::string folder = dir.Sub("ready"), pack = dir.Sub("Nuvexa-xx.lgp");
  harness::MakeDirs(folder);
  WriteFile(folder + "/a.lng", "language file");
  WriteFile(pack, "an older pack");
  ASSERT_EQ(::chmod(pack.c_str(), 0444), 0);
  const std::string attempt = "Attemping to build a lgp from the passed folder: `" + ShownPath(folder) + "'\r\n";
  EXPECT_EQ(tool.Run({folder, "/zipup", pack}, dir.path), attempt + "error in closing " + ShownPath(pack) + "\r\n");
  EXPECT_EQ(ReadFile(pack), "an older pack");
  EXPECT_EQ(Listing(dir.path), (std::vector<std::string>{"Nuvexa-xx.lgp", "ready"}));
  // Into a folder that is not there: the writer says so, and the run does
  // not call itself complete. A pack that does not exist is named as typed;
  // the Windows build is given it as a Windows user types it, with its drive.
  const std::string missing = harness::DrivesWindowsBuild() ? ShownPath(dir.Sub("no/such/x.lgp")) : dir.Sub("no/such/x.lgp");
  EXPECT_EQ(tool.Run({folder, "/zipup", missing}, dir.path),
            attempt + "error opening " + missing + "\r\nerror in opening " + ShownPath(folder + "/a.lng") +
                " in zipfile (-102)\r\nerror in closing " + missing + "\r\n");
}

TEST(DiffFault, ZipBombUnderAnAddressSpaceLimit) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit allows";
#else
  SKIP_WITHOUT_LINUX_LIMITS();
  // A 300 MiB language file (declared, and skipped before it is inflated)
  // and a 160 MiB extra file (streamed to disk) under a 128 MiB address
  // space: the run ends normally, says what it skipped, and its temporary
  // folder goes.
  Tool tool;
  TempDir dir;
  const std::string install = dir.Sub("install"), packDir = dir.Sub("packdir"), temp = dir.Sub("tmp");
  const std::string pack = dir.Sub("bomb.lgp");
  harness::MakeDirs(install);
  harness::MakeDirs(packDir + "/freeform");
  harness::MakeDirs(temp);
  ASSERT_EQ(Shell("cd '" + packDir + "' && truncate -s 300M nuvexa.lng && truncate -s 160M freeform/big.bin && " +
                  "zip -q -9 -r '" + pack + "' . && rm -r '" + packDir + "'"),
            0);
  std::string out;
  const int status = Shell("cd '" + dir.path + "' && TMPDIR='" + temp + "' prlimit --as=134217728 '" + tool.exe +
                               "' '" + install + "' /diff '" + pack + "' /folder=reports 2>&1",
                           &out);
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(out, "Starting differential of Nuvexa install (" + install + ") against the passed language pack (" +
                     pack + ")\r\nskipping nuvexa.lng: larger than 256 MiB, too large for a language pack\r\n"
                     "\r\nCompleted differential of Nuvexa install against the passed language pack.\r\n");
  EXPECT_TRUE(Listing(temp).empty());
#endif
}

TEST(ProcessLimit, RunsWithoutThreadsGiveTheNormalOutput) {
  SKIP_WITHOUT_LINUX_LIMITS();
  // A user at the process limit (a shared host, a container) cannot start
  // a thread: /lgp, /diff and /clean do all their work on the main thread
  // and print and write, byte for byte, what a run with workers does. Each
  // runs first freely, then limited, on the same inputs.
  Tool tool;
  TempDir work;
  const std::string install = work.Sub("Nuvexa"), cleaned = work.Sub("clean"), pristine = work.Sub("pristine");
  ASSERT_TRUE(lgp_support::CopySampleInstall(install));
  harness::MakeDirs(pristine);
  for (const char* name : {"a.lng", "b.lng", "c.lng"})
    ASSERT_TRUE(harness::BuildResourceDll(kLeftovers, pristine + "/" + name));
  ASSERT_TRUE(harness::BuildResourceDll(LongStrings(), pristine + "/plain.lng"));
  const std::string out = harness::RealPath(tool.dir.path) + "/LangFiles";
  const std::string pack = out + "/Nuvexa-en-gb-5_6_3_3234.lgp", reports = work.Sub("reports");
  tool.Run({install, "/lgp", "en-gb"}, work.path);  // the output folder exists for both runs

  Tool::Limits limits;
  limits.processes = 1;
  struct Case {
    std::vector<std::string> args;
    std::string folder;  // what the command writes
  };
  for (const Case& c : {Case{{install, "/lgp", "en-gb", "/compress"}, out},
                        Case{{install, "/diff", pack, "/folder=" + reports}, reports},
                        Case{{cleaned, "/clean"}, cleaned}}) {
    ASSERT_EQ(Shell("rm -rf '" + cleaned + "' && cp -r '" + pristine + "' '" + cleaned + "'"), 0);
    const std::string free = tool.Run(c.args, work.path);
    const auto written = lgp_support::FolderFiles(c.folder);
    ASSERT_EQ(Shell("rm -rf '" + cleaned + "' && cp -r '" + pristine + "' '" + cleaned + "'"), 0);
    harness::OpenToEveryone(tool.dir.path);
    harness::OpenToEveryone(work.path);
    const Tool::Result limited = tool.RunLimited(c.args, limits, work.path);
    EXPECT_EQ(limited.status, 0) << c.args[1] << limited.err;
    EXPECT_EQ(limited.err, "") << c.args[1];
    EXPECT_EQ(limited.out, free) << c.args[1];
    EXPECT_TRUE(lgp_support::FolderFiles(c.folder) == written) << c.args[1];
    EXPECT_GT(written.size(), 1u) << c.args[1];
  }
}

TEST(LgpFault, ModuleLargerThanTheAddressSpaceEndsTheRunInWords) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizer reserves more address space than the limit allows";
#else
  SKIP_WITHOUT_LINUX_LIMITS();
  // A listed module of 300 MiB under a 128 MiB address space: the worker
  // that reads it runs out of memory, and the run ends after the modules
  // before it, with the message and exit code 0; no pack is made.
  Tool tool;
  TempDir work;
  const std::string install = work.Sub("Nuvexa");
  ASSERT_TRUE(lgp_support::CopySampleInstall(install));
  ASSERT_EQ(Shell("truncate -s 300M '" + install + "/plugins/huge.dll'"), 0);
  // Listed beside the default list's modules, which the run adds.
  WriteFile(harness::RealPath(tool.dir.path) + "/lgp_list.ini", "[Bonus Bundle]\r\nhuge.dll={GUID}\r\n");
  Tool::Limits limits;
  limits.addressSpaceBytes = 134217728;
  const Tool::Result r = tool.RunLimited({install, "/lgp"}, limits, work.path);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.out.ends_with("Language file (nuvexa.lng) generated\r\nError allocating memory\r\n")) << r.out;
  EXPECT_FALSE(Exists(harness::RealPath(tool.dir.path) + "/LangFiles/Nuvexa-en-us-5_6_3_3234.lgp"));
#endif
}
