// /zipup end to end: the failure table, the pack of .lng files, /enum with
// every extra folder, stored entries, and an existing pack replaced.
#include <gtest/gtest.h>

#include "e2e/lgp_support.h"
#include "support/harness.h"

namespace {

using harness::MakeDirs;
using harness::ReadFile;
using harness::Shell;
using harness::TempDir;
using harness::Tool;
using harness::WriteFile;

// "method name" for every entry, in archive order.
std::string Entries(const std::string& archive) {
  std::string out;
  Shell("zipinfo -s '" + archive + "' | awk 'NF>=9 && $1 ~ /^-/ {print $6\" \"$NF}'", &out);
  return out;
}

std::string Started(const std::string& folder) {
  return "Attemping to build a lgp from the passed folder: `" + harness::ShownPath(folder) + "'\r\n";
}
std::string Completed(const std::string& pack) {
  return "Completed creating `" + harness::ShownPath(pack) + "' from the passed folder.\r\n";
}

struct ZipupTest : testing::Test {
  Tool tool;
  TempDir work;
  std::string folder;
  void SetUp() override {
    folder = work.Sub("lang");
    MakeDirs(folder + "/old");
    WriteFile(folder + "/b.lng", "bee");
    WriteFile(folder + "/A.LNG", "ay");
    WriteFile(folder + "/old/c.lng", "not taken: old does not match *.lng");
    WriteFile(folder + "/readme.txt", "not taken");
  }
};

TEST_F(ZipupTest, RefusalsWriteNothing) {
  const std::string nothing = "No name passed for lgp to be created, aborting.\r\n";
  EXPECT_EQ(tool.Run({folder + "/b.lng", "/zipup", "x.lgp"}, work.path),
            "Filepath passed instead of a directory, aborting.\r\n");
  EXPECT_EQ(tool.Run({folder + "/b.lng", "/zipup"}, work.path), nothing);
  EXPECT_EQ(tool.Run({folder, "/zipup"}, work.path), nothing);
  EXPECT_EQ(tool.Run({folder, "/zipup", ""}, work.path), nothing);
  const std::string invalid = "Unable to continue, the passed lgp name is invalid. Aborting.\r\n";
  EXPECT_EQ(tool.Run({folder, "/zipup", "my.zip"}, work.path), invalid);
  EXPECT_EQ(tool.Run({folder, "/zipup", "my"}, work.path), invalid);
  EXPECT_EQ(tool.Run({folder, "/zipup", "my.lgp.txt"}, work.path), invalid);
  std::string listing;
  Shell("ls '" + work.path + "'", &listing);
  EXPECT_EQ(listing, "lang\n");
}

TEST_F(ZipupTest, PacksTheLanguageFilesStored) {
  // A relative name that does not exist yet names a file in the working folder.
  EXPECT_EQ(tool.Run({folder, "/zipup", "my.LGP"}, work.path), Started(folder) + Completed("my.LGP"));
  EXPECT_EQ(Entries(work.Sub("my.LGP")), "stor A.LNG\nstor b.lng\n");
  EXPECT_EQ(Shell("unzip -tq '" + work.Sub("my.LGP") + "' >/dev/null"), 0);
  // Now it exists, so the same relative name resolves to its absolute path;
  // /nomsgs silences the messages.
  EXPECT_EQ(tool.Run({folder, "/zipup", "my.LGP"}, work.path), Started(folder) + Completed(work.Sub("my.LGP")));
  EXPECT_EQ(tool.Run({folder, "/zipup", "my.LGP", "/nomsgs"}, work.path), "");
}

TEST_F(ZipupTest, EnumAddsEveryExtraFolder) {
  MakeDirs(folder + "/dll");
  MakeDirs(folder + "/FreeForm/skins/dark");
  MakeDirs(folder + "/docs/sub.txt");
  MakeDirs(folder + "/ini");
  MakeDirs(folder + "/extralng");
  WriteFile(folder + "/dll/helper.dll", "MZ");
  WriteFile(folder + "/dll/helper.pdb", "no");
  WriteFile(folder + "/FreeForm/skins/a.bmp", "BM");
  WriteFile(folder + "/FreeForm/skins/dark/b.png", "png");
  WriteFile(folder + "/docs/readme.txt", "read");
  WriteFile(folder + "/docs/sub.txt/deep.txt", "deep");
  WriteFile(folder + "/docs/notes.htm", "no");
  WriteFile(folder + "/docs/ATF.HTM", "<html>");
  WriteFile(folder + "/ini/skin.ini", "[a]");
  WriteFile(folder + "/extralng/more.lng", "more");
  const std::string pack = work.Sub("full.lgp");
  EXPECT_EQ(tool.Run({folder, "/zipup", pack, "/ENUM", "/compress"}, work.path),
            Started(folder) + "Enumerating additional folders (as applicable)...\r\n" + Completed(pack));
  // The extra folders are found whatever their case. Linux names them as
  // they are on disk; Windows opens them by the tool's own spelling, which
  // then names the entries.
  const std::string freeform = harness::DrivesWindowsBuild() ? "freeform" : "FreeForm";
  EXPECT_EQ(Entries(pack),
            "stor A.LNG\nstor b.lng\nstor helper.dll\nstor " + freeform + "\\skins\\a.bmp\n"
            "stor " + freeform + "\\skins\\dark\\b.png\nstor readme.txt\nstor sub.txt\\deep.txt\nstor ATF.HTM\n"
            "stor skin.ini\nstor more.lng\n");
  std::string tested;
  EXPECT_LE(Shell("unzip -t '" + pack + "'", &tested), 1);  // 1: the backslash warning
  EXPECT_NE(tested.find("No errors detected"), std::string::npos) << tested;
}

TEST_F(ZipupTest, EnumOnlyRightAfterThePackName) {
  MakeDirs(folder + "/ini");
  WriteFile(folder + "/ini/skin.ini", "[a]");
  const std::string pack = work.Sub("p.lgp");
  EXPECT_EQ(tool.Run({folder, "/zipup", pack, "/x", "/enum"}, work.path), Started(folder) + Completed(pack));
  EXPECT_EQ(Entries(pack), "stor A.LNG\nstor b.lng\n");
  EXPECT_EQ(tool.Run({folder, "/zipup", "/enum", pack}, work.path),
            "Unable to continue, the passed lgp name is invalid. Aborting.\r\n");
}

TEST_F(ZipupTest, ExistingPackIsReplacedUnlessNothingIsAdded) {
  const std::string pack = work.Sub("old.lgp");
  WriteFile(pack, "junk that is no zip at all");
  EXPECT_EQ(tool.Run({folder, "/zipup", pack}, work.path), Started(folder) + Completed(pack));
  EXPECT_EQ(Entries(pack), "stor A.LNG\nstor b.lng\n");

  // A folder with .lng files only in subfolders gives no pack; an older file
  // of that name stays untouched and /enum is not acted on.
  const std::string empty = work.Sub("empty");
  MakeDirs(empty + "/nested");
  MakeDirs(empty + "/ini");
  WriteFile(empty + "/nested/x.lng", "x");
  WriteFile(empty + "/ini/skin.ini", "[a]");
  EXPECT_EQ(tool.Run({empty, "/zipup", work.Sub("none.lgp"), "/enum"}, work.path),
            Started(empty) + Completed(work.Sub("none.lgp")));
  EXPECT_FALSE(harness::Exists(work.Sub("none.lgp")));
  WriteFile(work.Sub("kept.lgp"), "kept");
  tool.Run({empty, "/zipup", work.Sub("kept.lgp")}, work.path);
  EXPECT_EQ(ReadFile(work.Sub("kept.lgp")), "kept");
  // With /enum the older file counts as the pack, and the first extra file
  // replaces it.
  tool.Run({empty, "/zipup", work.Sub("kept.lgp"), "/enum"}, work.path);
  EXPECT_EQ(Entries(work.Sub("kept.lgp")), "stor skin.ini\n");
}

TEST_F(ZipupTest, FilesThatCannotBeZippedAreLeftOutOfAPackMadeAllTheSame) {
  SKIP_WITHOUT_LINUX_LIMITS();
  if (!harness::CanHonourPermissions()) GTEST_SKIP() << "root cannot give up its permission override here";
  // A FIFO, a file its user may not read and a name Windows-1252 cannot
  // hold: each is told by the writer (the first two stay as empty entries)
  // and the pack holds every other file, a link to one among them.
  ASSERT_EQ(Shell("cd '" + folder + "' && mkfifo fifo.lng && echo secret > secret.lng && chmod 000 secret.lng && "
                  "echo cjk > \xE5\x90\x8D.lng && ln -s b.lng link.lng"),
            0);
  const std::string pack = work.Sub("p.lgp");
  Tool::Limits limits;
  limits.honourPermissions = true;
  EXPECT_EQ(tool.RunLimited({folder, "/zipup", pack}, limits, work.path).out,
            Started(folder) + "error in opening " + folder + "/fifo.lng for reading\r\nerror in opening " + folder +
                "/secret.lng for reading\r\nerror in opening " + folder + "/?.lng for reading\r\n" + Completed(pack));
  EXPECT_EQ(Entries(pack), "stor A.LNG\nstor b.lng\nstor fifo.lng\nstor link.lng\nstor secret.lng\n");
  EXPECT_EQ(lgp_support::EntryBytes(pack, "link.lng"), "bee");
}

TEST_F(ZipupTest, EnumNeverPacksThePackItWritesOrEntersLinkedFolders) {
  // The pack written inside the folder's freeform: neither its working file
  // nor, the second time, the older pack of its name is one of its entries.
  MakeDirs(folder + "/freeform");
  WriteFile(folder + "/freeform/a.bmp", "BM");
  const std::string pack = folder + "/freeform/p.lgp";
  for (int run = 0; run < 2; ++run) {
    EXPECT_EQ(tool.Run({folder, "/zipup", pack, "/enum"}, work.path),
              Started(folder) + "Enumerating additional folders (as applicable)...\r\n" + Completed(pack));
    EXPECT_EQ(Entries(pack), "stor A.LNG\nstor b.lng\nstor freeform\\a.bmp\n");
  }
  // A link to a folder is named and not entered (Wine shows a link as its
  // target).
  if (harness::DrivesWindowsBuild()) return;
  ASSERT_EQ(Shell("ln -s .. '" + folder + "/freeform/up'"), 0);
  EXPECT_EQ(tool.Run({folder, "/zipup", pack, "/enum"}, work.path),
            Started(folder) + "Enumerating additional folders (as applicable)...\r\nskipping " + folder +
                "/freeform/up: a link to a folder is not entered\r\n" + Completed(pack));
  EXPECT_EQ(Entries(pack), "stor A.LNG\nstor b.lng\nstor freeform\\a.bmp\n");
}

}  // namespace
