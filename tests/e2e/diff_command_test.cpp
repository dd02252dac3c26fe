// The /diff command end to end: pack mode with packs made by Info-ZIP, by
// the tool's own /zipup and by hand (backslash and hostile names), folder
// mode, the positional exclude options, the report folder clean-up and the
// failure paths.
#include <gtest/gtest.h>

#include "e2e/diff_support.h"

using difftest::EndLine;
using difftest::Header;
using difftest::kStringEntries;
using difftest::MakeZip;
using difftest::StartLine;
using difftest::ZipEntry;

namespace {

const auto Quote = difftest::ShellQuote;

// An install with one module, a folder of comparison files to pack, a
// temporary folder of its own (TMPDIR) and a report folder.
struct PackSetup {
  harness::TempDir dir;
  std::string install = dir.Sub("install");
  std::string packDir = dir.Sub("packdir");
  std::string tmp = dir.Sub("tmp");
  std::string reports = dir.Sub("reports");
  std::string pack = dir.Sub("ui.lgp");

  PackSetup() {
    harness::MakeDirs(install);
    harness::MakeDirs(packDir);
    harness::MakeDirs(tmp);
  }
  bool Module(const std::string& relative, const std::string& rc) {
    const std::string path = install + "/" + relative;
    harness::MakeDirs(path.substr(0, path.rfind('/')));
    return harness::BuildResourceDll(rc, path);
  }
  bool PackFile(const std::string& relative, const std::string& rc) {
    const std::string path = packDir + "/" + relative;
    harness::MakeDirs(path.substr(0, path.rfind('/')));
    return harness::BuildResourceDll(rc, path);
  }
  // ui.dll and its language file ui.lng from the string-table fixtures.
  bool StringsPair() {
    return Module("ui.dll", difftest::Fixture("strings_install.rc")) &&
           PackFile("ui.lng", difftest::Fixture("strings_comparison.rc"));
  }
  // Packs the folder with Info-ZIP: forward slashes, folder entries, deflated.
  bool ZipWithInfoZip() { return harness::Shell("cd " + Quote(packDir) + " && zip -q -r " + Quote(pack) + " .") == 0; }
  bool StringsPack() { return StringsPair() && ZipWithInfoZip(); }
  std::string Run(const harness::Tool& tool, const std::vector<std::string>& args, const std::string& cwd = "") const {
    const std::string command =
        "cd " + Quote(cwd.empty() ? dir.path : cwd) + " && " + difftest::ToolCommand(tool, args, tmp);
    std::string output;
    harness::Shell(command + " </dev/null 2>/dev/null", &output);
    return output;
  }
  // The install against the pack, reports into the report folder.
  std::string Diff(const harness::Tool& tool) const { return Run(tool, {install, "/diff", pack, "/folder=" + reports}); }
  std::string Report(const std::string& stem) const { return difftest::ReadReport(reports + "/" + stem + ".txt"); }
  std::string TmpListing() const {
    std::string listing;
    harness::Shell("ls -A " + Quote(tmp), &listing);
    return listing;
  }
};

std::string PackConsole(const PackSetup& s, const std::string& body) {
  return StartLine(s.install, "language pack", s.pack) + body + EndLine("language pack");
}

}  // namespace

TEST(DiffCommand, PackModeWalksRootPluginsAndSystemAndRemovesItsTemporaryFolder) {
  harness::Tool tool;
  PackSetup s;
  const std::string a = difftest::Fixture("strings_install.rc"), b = difftest::Fixture("strings_comparison.rc");
  ASSERT_TRUE(s.Module("ui.dll", a));
  ASSERT_TRUE(s.Module("Plugins/gen_x.dll", a));  // fixed folder names are found in any letter case
  ASSERT_TRUE(s.Module("Plugins/ui.dll", a));     // the stem of the root's ui.dll: one report for both
  ASSERT_TRUE(s.Module("system/sys.nxs", a));
  ASSERT_TRUE(s.Module("notes.txt", a));     // not a module extension: never compared
  ASSERT_TRUE(s.Module("lonely.dll", a));    // no counterpart: nothing said
  ASSERT_TRUE(s.PackFile("ui.lng", b));
  ASSERT_TRUE(s.PackFile("gen_x.lng", b));
  ASSERT_TRUE(s.PackFile("sys.lng", b));
  ASSERT_TRUE(s.PackFile("notes.lng", b));
  harness::WriteFile(s.packDir + "/readme.txt", "extra file");
  harness::MakeDirs(s.packDir + "/freeform/skins");
  harness::WriteFile(s.packDir + "/freeform/skins/a.bmp", "skin");
  ASSERT_TRUE(s.ZipWithInfoZip());

  // Pairs are compared on as many threads as asked for (PACKSMITH_WORKERS);
  // the output is the same for any number.
  for (const char* workers : {static_cast<const char*>(nullptr), "1", "3"}) {
    SCOPED_TRACE(workers ? workers : "default");
    harness::EnvOverride count("PACKSMITH_WORKERS", workers);
    const std::string console = s.Diff(tool);
    const std::string ui = Header("ui.dll", "ui.lng") + kStringEntries;
    EXPECT_EQ(console, PackConsole(s, "\r\n" + ui + "\r\n" + Header("gen_x.dll", "gen_x.lng") + kStringEntries +
                                          "\r\n" + ui + "\r\n" + Header("sys.nxs", "sys.lng") + kStringEntries));
    EXPECT_EQ(s.Report("ui"), ui + ui);
    EXPECT_EQ(s.Report("gen_x"), Header("gen_x.dll", "gen_x.lng") + kStringEntries);
    EXPECT_EQ(s.Report("sys"), Header("sys.nxs", "sys.lng") + kStringEntries);
    EXPECT_FALSE(harness::Exists(s.reports + "/notes.txt"));
    EXPECT_FALSE(harness::Exists(s.reports + "/lonely.txt"));
    EXPECT_EQ(s.TmpListing(), "");
  }
}

TEST(DiffCommand, PackFromZipupWithBackslashNames) {
  harness::Tool tool;
  PackSetup s;
  ASSERT_TRUE(s.StringsPair());
  harness::MakeDirs(s.packDir + "/freeform/skins");
  harness::WriteFile(s.packDir + "/freeform/skins/a.bmp", "skin");
  tool.Run({s.packDir, "/zipup", s.pack, "/enum"});
  ASSERT_TRUE(harness::Exists(s.pack));
  std::string names;
  harness::Shell("zipinfo -1 " + Quote(s.pack), &names);
  ASSERT_NE(names.find("freeform\\skins\\a.bmp"), std::string::npos);

  EXPECT_EQ(s.Diff(tool),
            PackConsole(s, "\r\n" + Header("ui.dll", "ui.lng") + kStringEntries));
  EXPECT_EQ(s.TmpListing(), "");
}

TEST(DiffCommand, LanguageFilesInSubfoldersOfThePackAreNotFound) {
  harness::Tool tool;
  PackSetup s;
  ASSERT_TRUE(s.StringsPair());
  const std::string lng = harness::ReadFile(s.packDir + "/ui.lng");
  ASSERT_TRUE(MakeZip(s.pack, {{"sub\\ui.lng", lng}, {"other/ui.lng", lng}}));
  EXPECT_EQ(s.Diff(tool), PackConsole(s, ""));
  EXPECT_FALSE(harness::Exists(s.reports));
}

TEST(DiffCommand, HostileEntryNamesNeverLeaveTheTemporaryFolder) {
  harness::Tool tool;
  PackSetup s;
  ASSERT_TRUE(s.StringsPair());
  const std::string lng = harness::ReadFile(s.packDir + "/ui.lng");
  const std::string absolute = s.dir.Sub("absolute.lng");
  ASSERT_TRUE(MakeZip(s.pack, {{"../escape.lng", "x"}, {"..\\..\\escape2.lng", "x"}, {absolute, "x"}, {"ui.lng", lng}}));
  EXPECT_EQ(s.Diff(tool),
            PackConsole(s, "skipping ../escape.lng: its path leads outside the target folder\r\n"
                           "skipping ..\\..\\escape2.lng: its path leads outside the target folder\r\n"
                           "skipping " + absolute + ": its path leads outside the target folder\r\n"
                           "\r\n" + Header("ui.dll", "ui.lng") + kStringEntries));
  EXPECT_FALSE(harness::Exists(s.tmp + "/escape.lng"));
  EXPECT_FALSE(harness::Exists(s.dir.Sub("escape2.lng")));
  EXPECT_FALSE(harness::Exists(absolute));
  EXPECT_EQ(s.TmpListing(), "");
}

TEST(DiffCommand, LaterEntryOfTheSameNameInAnotherCaseIsSkipped) {
  // The second entry is the install's own module, which would compare
  // equal: every build compares the first and names the second.
  harness::Tool tool;
  PackSetup s;
  ASSERT_TRUE(s.StringsPair());
  ASSERT_TRUE(MakeZip(s.pack, {{"ui.lng", harness::ReadFile(s.packDir + "/ui.lng")},
                               {"UI.LNG", harness::ReadFile(s.install + "/ui.dll")}}));
  EXPECT_EQ(s.Diff(tool), PackConsole(s, "skipping UI.LNG: an earlier entry has that name\r\n\r\n" +
                                             Header("ui.dll", "ui.lng") + kStringEntries));
  EXPECT_EQ(s.TmpListing(), "");
}

TEST(DiffCommand, ExcludeOptionsCountOnlyAtTheirPositions) {
  harness::Tool tool;
  PackSetup s;
  const std::string dialog = "1 DIALOG 0, 0, 100, 50\nSTYLE 0x80C80000\nCAPTION \"%T\"\nBEGIN\n"
                             "  PUSHBUTTON \"OK\", 1, %X, 10, 50, 14\nEND\n";
  auto module = [&](const std::string& title, const std::string& x, const std::string& bmp, const std::string& str) {
    std::string rc = dialog;
    rc.replace(rc.find("%T"), 2, title);
    rc.replace(rc.find("%X"), 2, x);
    return difftest::WithDir("1 BITMAP \"@DIR@/" + bmp + "\"\n", s.dir.path) + rc +
           "STRINGTABLE\nBEGIN\n 1 \"" + str + "\"\nEND\n";
  };
  harness::WriteFile(s.dir.Sub("a.bmp"), difftest::SmallBitmap(1));
  harness::WriteFile(s.dir.Sub("b.bmp"), difftest::SmallBitmap(2));
  ASSERT_TRUE(s.Module("ui.dll", module("A", "10", "a.bmp", "One")));
  ASSERT_TRUE(s.PackFile("ui.lng", module("B", "12", "b.bmp", "Uno")));
  ASSERT_TRUE(s.ZipWithInfoZip());

  const std::string image = "Bitmap image 1 changed\r\n\r\n";
  const std::string changed = "Dialog 1 changed (determined by the resource size &/or contents)\r\n"
                              "[Original: 58 - Comparison: 58]\r\n";
  const std::string title = "Title changed: `A' -> `B'\r\n";
  const std::string size = "Item #1\r\n - size changed: [10,10,50,14] -> [12,10,50,14]\r\n";
  const std::string strings = "String 1 changed\r\n + One\r\n - Uno\r\n\r\n";
  auto expected = [&](bool img, bool str, bool siz) {
    return (img ? "" : image) + changed + (str ? "" : title) + (siz ? "" : size) + "\r\n" + (str ? "" : strings);
  };
  struct Case {
    std::vector<std::string> options;
    bool img, str, siz;
  };
  const Case cases[] = {
      {{}, false, false, false},
      {{"/exclude_img"}, true, false, false},
      {{"/exclude_imgs"}, true, false, false},  // a prefix is enough
      {{"/exclude_images"}, true, false, false},  // the name the help gives
      {{"/exclude_images", "/exclude_string", "/exclude_size"}, true, true, true},
      {{"/exclude_string", "/exclude_images"}, false, true, false},
      {{"/exclude_string"}, false, true, false},      // "/exclude_str" at position 1
      {{"/exclude_siz"}, false, false, true},
      {{"/exclude_img", "/exclude_string", "/exclude_size"}, true, true, true},
      {{"/exclude_img", "/exclude_str"}, true, false, false},  // position 2 needs the long form
      {{"/exclude_img", "/exclude_size"}, true, false, true},
      {{"/exclude_size", "/exclude_img"}, false, false, true},  // images only at position 1
      {{"/exclude_string", "/exclude_size"}, false, true, true},
      {{"/exclude_img", "/nothing", "/exclude_size"}, true, false, true},
      {{"/exclude_img", "/nothing", "/exclude_string"}, true, false, false},
      {{"/EXCLUDE_IMG"}, false, false, false},  // case-sensitive
      {{"/nothing", "/nothing", "/nothing", "/exclude_img"}, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.options));
    std::vector<std::string> args = {s.install, "/diff", s.pack, "/folder=" + s.reports};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const std::string entries = expected(c.img, c.str, c.siz);
    EXPECT_EQ(s.Run(tool, args), PackConsole(s, "\r\n" + Header("ui.dll", "ui.lng") + entries));
    EXPECT_EQ(s.Report("ui"), Header("ui.dll", "ui.lng") + entries);
  }

  // Without "/folder=" the options start right after the target; the
  // reports then go to "Diffs" beside the tool.
  EXPECT_EQ(s.Run(tool, {s.install, "/diff", s.pack, "/exclude_img"}),
            PackConsole(s, "\r\n" + Header("ui.dll", "ui.lng") + expected(true, false, false)));
  EXPECT_EQ(difftest::ReadReport(tool.dir.Sub("Diffs/ui.txt")), Header("ui.dll", "ui.lng") + expected(true, false, false));

  // In folder mode no option is read.
  harness::MakeDirs(s.dir.Sub("other"));
  ASSERT_TRUE(harness::BuildResourceDll(module("B", "12", "b.bmp", "Uno"), s.dir.Sub("other/ui.dll")));
  EXPECT_EQ(s.Run(tool, {s.install, "/diff", s.dir.Sub("other"), "/folder=" + s.reports, "/exclude_img"}),
            StartLine(s.install, "folder", s.dir.Sub("other")) + "\r\n" + Header("ui.dll", "ui.dll") +
                expected(false, false, false) + EndLine("folder"));
}

TEST(DiffCommand, ReportsOfAnEarlierRunAreRemovedAtTheFirstPair) {
  harness::Tool tool;
  PackSetup s;
  ASSERT_TRUE(s.StringsPack());
  harness::MakeDirs(s.reports + "/keep");
  // A killed run's working file goes; a user's files that only look like
  // one stay.
  for (const char* name : {"old.txt", "old.lng", "readme.doc", "readme.txt", "ui.txt", "pack.lgp",
                           "gone.txt.0123456789abcdef.tmp", "notes.tmp", "backup.zip.2024.tmp", "thesis.txt.1.tmp",
                           "notes.lgp.cafe.tmp"})
    harness::WriteFile(s.reports + "/" + name, "old");

  // A run without any pair leaves the folder alone.
  harness::TempDir empty;
  s.Run(tool, {empty.path, "/diff", s.pack, "/folder=" + s.reports});
  EXPECT_TRUE(harness::Exists(s.reports + "/old.txt"));

  // A reader that holds the old reports keeps reading them, and a new
  // report is a new file, with nothing of an old one's.
  ASSERT_EQ(harness::Shell("chmod 0600 '" + s.reports + "/ui.txt'"), 0);
  const harness::HeldFiles held({s.reports + "/old.txt", s.reports + "/old.lng", s.reports + "/ui.txt"});
  s.Diff(tool);
  EXPECT_EQ(held.Changed(), std::vector<std::string>());
  EXPECT_FALSE(harness::Exists(s.reports + "/old.txt"));
  EXPECT_FALSE(harness::Exists(s.reports + "/old.lng"));
  EXPECT_FALSE(harness::Exists(s.reports + "/readme.txt"));
  EXPECT_TRUE(harness::Exists(s.reports + "/readme.doc"));
  EXPECT_TRUE(harness::Exists(s.reports + "/pack.lgp"));
  EXPECT_TRUE(harness::Exists(s.reports + "/keep"));
  EXPECT_EQ(s.Report("ui"), Header("ui.dll", "ui.lng") + kStringEntries);
  std::string listing, fresh;
  harness::Shell("ls '" + s.reports + "'; stat -c %a '" + s.reports + "/ui.txt'", &listing);
  harness::Shell("touch '" + s.dir.Sub("fresh") + "' && stat -c %a '" + s.dir.Sub("fresh") + "'", &fresh);
  EXPECT_EQ(listing, "backup.zip.2024.tmp\nkeep\nnotes.lgp.cafe.tmp\nnotes.tmp\npack.lgp\nreadme.doc\nthesis.txt.1.tmp\nui.txt\n" +
                         fresh);
}

TEST(DiffCommand, RelativeReportFolderBelongsToTheStartingFolder) {
  harness::Tool tool;
  PackSetup s;
  ASSERT_TRUE(s.StringsPack());
  const std::string work = s.dir.Sub("work");
  harness::MakeDirs(work);
  EXPECT_EQ(s.Run(tool, {"../install", "/diff", "../ui.lgp", "/folder=out"}, work),
            PackConsole(s, "\r\n" + Header("ui.dll", "ui.lng") + kStringEntries));
  EXPECT_EQ(difftest::ReadReport(work + "/out/ui.txt"), Header("ui.dll", "ui.lng") + kStringEntries);

  // From a working folder that was deleted, a relative output folder has no
  // place, whatever it names ("." and ".." too): /diff, /build and /lgp
  // refuse it as a folder they cannot create, and write nothing anywhere.
  // (Windows keeps a process's working folder from being deleted.)
  if (harness::DrivesWindowsBuild()) return;
  std::string before, after;
  harness::Shell("cd " + Quote(s.dir.path) + " && find . | sort", &before);
  const std::string gone = s.dir.Sub("gone");
  auto fromGone = [&](const std::vector<std::string>& args) {
    harness::MakeDirs(gone);
    std::string out;
    harness::Shell("cd " + Quote(gone) + " && rmdir " + Quote(gone) + " && " +
                       difftest::ToolCommand(tool, args, s.tmp) + " </dev/null 2>&1",
                   &out);
    return out;
  };
  for (const std::string folder : {"out", ".", ".."}) {
    const std::string refused = "Unable to create `" + folder + "', aborting\r\n";
    EXPECT_EQ(fromGone({s.install, "/diff", s.pack, "/folder=" + folder}), refused);
    EXPECT_EQ(fromGone({s.install + "/ui.dll", "/build", "/folder=" + folder}), refused);
    EXPECT_EQ(fromGone({s.install, "/lgp", "/folder=" + folder}),
              "Starting building nuvexa-en-us.lgp from the Nuvexa install in `" + s.install +
                  "'\r\nGenerated files will be saved in `" + folder + "'\r\n" + refused);
  }
  harness::Shell("cd " + Quote(s.dir.path) + " && find . | sort", &after);
  EXPECT_EQ(after, before);
}

TEST(DiffCommand, PackThatCannotBeUnpackedIsSaidAndNotCompleted) {
  harness::Tool tool;
  PackSetup s;
  ASSERT_TRUE(s.StringsPair());
  harness::MakeDirs(s.packDir + "/freeform");
  harness::WriteFile(s.packDir + "/freeform/big.bin", std::string(20000, 'x'));
  ASSERT_TRUE(s.ZipWithInfoZip());
  // What the extraction said, then "Unable to unpack `<pack>' into
  // `<TMPDIR>/LNGxxxxxxx.tmp' [error], aborting", and no completion line.
  auto refused = [&](const std::string& out, const std::string& extraction, int error) {
    const std::string head = StartLine(s.install, "language pack", s.pack) + extraction + "Unable to unpack `" +
                             harness::ShownPath(s.pack) + "' into `" + harness::ShownPath(s.tmp + "/LNG");
    const std::string tail = ".tmp' [" + std::to_string(error) + "], aborting\r\n";
    return out.size() == head.size() + 7 + tail.size() && out.starts_with(head) && out.ends_with(tail);
  };
  // The temporary folder names a folder that is not there (POSIX says 2
  // where Windows names the path), or a file.
  harness::Shell("rm -r " + Quote(s.tmp));
  std::string out = s.Diff(tool);
  EXPECT_TRUE(refused(out, "", harness::DrivesWindowsBuild() ? 3 : 2)) << out;
  harness::WriteFile(s.tmp, "a file");
  out = s.Diff(tool);
  EXPECT_TRUE(refused(out, "", 3)) << out;
  EXPECT_FALSE(harness::Exists(s.reports));
  // A full temporary disk (a file-size limit): the pack is not compared
  // with what fitted, and the temporary folder goes.
  if (harness::DrivesWindowsBuild()) return;
  harness::Shell("rm " + Quote(s.tmp) + " && mkdir " + Quote(s.tmp));
  harness::Shell("cd " + Quote(s.dir.path) + " && TMPDIR=" + Quote(s.tmp) + " prlimit --fsize=16384 " +
                     difftest::ToolCommand(tool, {s.install, "/diff", s.pack, "/folder=" + s.reports}) +
                     " </dev/null 2>&1",
                 &out);
  EXPECT_TRUE(refused(out, "error in writing extracted file\r\n", 112)) << out;
  EXPECT_EQ(s.TmpListing(), "");
  EXPECT_FALSE(harness::Exists(s.reports));
}

TEST(DiffCommand, RefusedAndUnreadableTargets) {
  harness::Tool tool;
  PackSetup s;
  ASSERT_TRUE(s.StringsPack());

  const std::string zip = s.dir.Sub("pack.zip");
  harness::WriteFile(zip, harness::ReadFile(s.pack));
  EXPECT_EQ(s.Run(tool, {s.install, "/diff", zip}), "Invalid file passed to differentiate against. Exiting now...\r\n");

  // A pack name without an extension is still a pack.
  const std::string bare = s.dir.Sub("pack");
  harness::WriteFile(bare, harness::ReadFile(s.pack));
  EXPECT_EQ(s.Run(tool, {s.install, "/diff", bare, "/folder=" + s.reports}),
            StartLine(s.install, "language pack", bare) + "\r\n" + Header("ui.dll", "ui.lng") + kStringEntries +
                EndLine("language pack"));

  const std::string bad = s.dir.Sub("bad.LGP");
  harness::WriteFile(bad, "not a zip at all");
  const std::string cannotOpen =
      "Cannot open " + harness::ShownPath(bad) + " or " + harness::ShownPath(bad + ".zip") + "\r\n";
  // Nothing was compared: no completion line.
  EXPECT_EQ(s.Run(tool, {s.install, "/diff", bad}), StartLine(s.install, "language pack", bad) + cannotOpen);
  // The extraction's messages are not silenced.
  EXPECT_EQ(s.Run(tool, {s.install, "/diff", bad, "/nomsgs"}), cannotOpen);

  // Reports that cannot be written (the report folder is a file) are said,
  // and the temporary folder goes all the same.
  harness::Shell("rm -r " + Quote(s.reports));
  harness::WriteFile(s.reports, "a file");
  EXPECT_EQ(s.Diff(tool),
            StartLine(s.install, "language pack", s.pack) + "\r\n" + Header("ui.dll", "ui.lng") + kStringEntries +
                difftest::ReportLost(s.reports, "ui", 3));
  EXPECT_EQ(s.TmpListing(), "");

  // An empty archive opens and holds nothing.
  const std::string empty = s.dir.Sub("empty.lgp");
  ASSERT_TRUE(MakeZip(empty, {}));
  EXPECT_EQ(s.Run(tool, {s.install, "/diff", empty}),
            StartLine(s.install, "language pack", empty) + EndLine("language pack"));
  EXPECT_EQ(s.TmpListing(), "");
}

TEST(DiffCommand, PairThatIsNoModuleIsSkippedCounterpartFoundInAnyCase) {
  harness::Tool tool;
  PackSetup s;
  ASSERT_TRUE(s.Module("a.dll", difftest::Fixture("strings_install.rc")));
  ASSERT_TRUE(s.Module("b.dll", difftest::Fixture("strings_install.rc")));
  harness::WriteFile(s.packDir + "/a.lng", "MZ but nothing more");
  // Found whatever its letter case; the header names it as looked for.
  ASSERT_TRUE(s.PackFile("B.LNG", difftest::Fixture("strings_comparison.rc")));
  ASSERT_TRUE(s.ZipWithInfoZip());
  EXPECT_EQ(s.Diff(tool),
            PackConsole(s, "\r\n" + Header("b.dll", "b.lng") + kStringEntries));
  EXPECT_FALSE(harness::Exists(s.reports + "/a.txt"));
  EXPECT_EQ(s.TmpListing(), "");
}

TEST(DiffCommand, ReportThatCannotBeWrittenIsSaidAndTheRunGoesOn) {
  SKIP_WITHOUT_LINUX_LIMITS();
  harness::Tool tool;
  difftest::FolderPair pair;
  // a.txt is small enough for the file-size limit, b.txt is not.
  ASSERT_TRUE(pair.Build("a.dll", "STRINGTABLE\nBEGIN\n 1 \"x\"\nEND\n", "STRINGTABLE\nBEGIN\n 1 \"y\"\nEND\n"));
  ASSERT_TRUE(pair.Build("b.dll", difftest::Fixture("strings_install.rc"), difftest::Fixture("strings_comparison.rc")));
  const std::string a = Header("a.dll", "a.dll") + "String 1 changed\r\n + x\r\n - y\r\n\r\n";
  const std::string b = Header("b.dll", "b.dll") + kStringEntries;
  auto lost = [&](const std::string& stem, int error) { return difftest::ReportLost(pair.reports, stem, error); };
  const std::vector<std::string> args = {pair.install, "/diff", pair.other, "/folder=" + pair.reports};
  const std::string start = StartLine(pair.install, "folder", pair.other);

  harness::Tool::Limits full;
  full.fileSizeBytes = 400;
  harness::Tool::Result r = tool.RunLimited(args, full);
  EXPECT_EQ(r.status, 0) << r.err;
  // No completion line: the run did not write all it found.
  EXPECT_EQ(r.out, start + "\r\n" + a + "\r\n" + b + lost("b", 112));
  EXPECT_EQ(pair.Report("a"), a);
  EXPECT_FALSE(harness::Exists(pair.reports + "/b.txt"));

  if (!harness::CanHonourPermissions()) GTEST_SKIP() << "root cannot give up its permission override here";
  harness::Shell("rm -rf '" + pair.reports + "' && mkdir -m 555 '" + pair.reports + "'");
  harness::Tool::Limits readOnly;
  readOnly.honourPermissions = true;
  r = tool.RunLimited(args, readOnly);
  harness::Shell("chmod 755 '" + pair.reports + "'");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, start + "\r\n" + a + lost("a", 5) + "\r\n" + b + lost("b", 5));
}

TEST(DiffCommand, RunsIntoOneReportFolderTakeTurns) {
  harness::Tool tool;
  difftest::FolderPair pair;
  ASSERT_TRUE(pair.Build("ui.dll", difftest::Fixture("strings_install.rc"), difftest::Fixture("strings_comparison.rc")));
  harness::MakeDirs(pair.reports);
  const std::string run = "cd " + Quote(pair.dir.path) + " && " +
                          difftest::ToolCommand(tool, {pair.install, "/diff", pair.other, "/folder=" + pair.reports});
  const std::string whole = difftest::FolderConsole(pair.install, pair.other, "ui.dll", kStringEntries);

  // Two runs at once: each writes its whole report in turn.
  harness::Shell("(" + run + " >one.out & " + run + " >two.out & wait)");
  EXPECT_EQ(harness::ReadFile(pair.dir.Sub("one.out")), whole);
  EXPECT_EQ(harness::ReadFile(pair.dir.Sub("two.out")), whole);
  EXPECT_EQ(pair.Report("ui"), Header("ui.dll", "ui.dll") + kStringEntries);

  // While another holds the folder, a run waits for it, and gives up after
  // its wait (five seconds, shortened here) without touching the folder.
  if (harness::DrivesWindowsBuild())
    GTEST_SKIP() << "the Windows build locks the folder with a named mutex, which a Linux flock does not hold";
  harness::EnvOverride wait("PACKSMITH_LOCK_WAIT_MS", "2000");
  auto whileHeld = [&](const std::string& seconds) {
    std::string out;
    harness::Shell("cd " + Quote(pair.dir.path) + " && rm -f held && (flock " + Quote(pair.reports) +
                       " sh -c 'touch held; sleep " + seconds + "' >/dev/null 2>&1 &) && "
                       "while [ ! -e held ]; do sleep 0.02; done && " + run,
                   &out);
    return out;
  };
  EXPECT_EQ(whileHeld("0.5"), whole);
  harness::WriteFile(pair.reports + "/old.txt", "old");
  EXPECT_EQ(whileHeld("4"), StartLine(pair.install, "folder", pair.other) + "The report folder `" +
                                harness::ShownPath(pair.reports) + "' is in use by another run, aborting\r\n");
  EXPECT_TRUE(harness::Exists(pair.reports + "/old.txt"));
}
