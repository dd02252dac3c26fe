// /clear and /clean end to end: modules compiled from .rc sources (one
// with code and base relocations), the result read back through the
// resource engine and by llvm-readobj.
#include <gtest/gtest.h>

#include <cctype>

#include "e2e/maintenance_helpers.h"
#include "os/files.h"

namespace {

using maintenance::AllResources;
using maintenance::Languages;

const std::string kAttemptClear = "Attempting to remove HASH section...\r\n";
const std::string kCompletedClear = "Completed HASH section removal\r\n";
const std::string kAttemptClean = "Attempting to cleanup the lng files in the passed folder...\r\n";
const std::string kNoneCleaned = "Completed lng file cleanup - no files needed to be cleaned.\r\n";
const std::string kZeroCleaned = "Completed lng file cleanup - 0 files were cleaned.\r\n";

std::string Cleaned(const std::string& name) { return "Completed lng file cleanup (" + name + ")\r\n"; }
std::string NoHash(const std::string& path) {
  return kAttemptClear + "No HASH section detected in `" + harness::ShownPath(path) + "'\r\n";
}
std::string NotBegun(const std::string& path) {
  return "Unable to start the resource update process (" + harness::ShownPath(path) + ")\r\n";
}
std::string BeginRefused(const std::string& path) { return kAttemptClear + NotBegun(path); }

const std::string kStrings = "LANGUAGE 0, 1\nSTRINGTABLE\nBEGIN\n 1 \"one\"\n 65535 \"{GUID}\"\nEND\n"
                             "LANGUAGE 0, 1\n200 RCDATA\nBEGIN\n \"keep me\\0\"\nEND\n";
std::string Hash(int primary, int sub, const std::string& data) {
  return "LANGUAGE " + std::to_string(primary) + ", " + std::to_string(sub) + "\nHASH HASH\nBEGIN\n \"" + data +
         "\\0\"\nEND\n";
}
const std::string kDesign = "LANGUAGE 0, 1\nGUIDELINES DESIGNINFO\nBEGIN\n \"guides\\0\"\nEND\n";
const std::string kNumeric = "LANGUAGE 0, 1\n1 255\nBEGIN\n 0x1234, 0x5678\nEND\n";

const ResId kHash = ResId::Str(u"HASH");

std::map<std::string, std::vector<uint8_t>> Without(std::map<std::string, std::vector<uint8_t>> all,
                                                    const std::string& key) {
  EXPECT_EQ(all.erase(key), 1u) << key;
  return all;
}

TEST(Clear, RemovesOneLanguageOfHashPerRun) {
  harness::Tool tool;
  harness::TempDir dir;
  const std::string one = dir.Sub("one.lng"), two = dir.Sub("two.lng"), neutral = dir.Sub("neutral.lng");
  ASSERT_TRUE(harness::BuildResourceDll(kStrings + Hash(0, 1, "digest"), one));
  ASSERT_TRUE(harness::BuildResourceDll(kStrings + Hash(9, 1, "english") + Hash(7, 1, "german"), two));
  ASSERT_TRUE(harness::BuildResourceDll(kStrings + Hash(0, 0, "neutral"), neutral));

  const auto oneBefore = AllResources(one);
  EXPECT_EQ(tool.Run({one, "/clear"}), kAttemptClear + kCompletedClear);
  EXPECT_EQ(AllResources(one), Without(oneBefore, "HASH/HASH/1024"));
  EXPECT_TRUE(maintenance::ReadobjReads(one));

  // The first listed language goes first, the other on the next run.
  const auto twoBefore = AllResources(two);
  EXPECT_EQ(tool.Run({two, "/clear"}), kAttemptClear + kCompletedClear);
  EXPECT_EQ(Languages(two, kHash, kHash), std::vector<uint16_t>{0x0409});
  EXPECT_EQ(tool.Run({two, "/clear"}), kAttemptClear + kCompletedClear);
  EXPECT_EQ(AllResources(two), Without(Without(twoBefore, "HASH/HASH/1031"), "HASH/HASH/1033"));
  const std::string twoAfter = harness::ReadFile(two);
  EXPECT_EQ(tool.Run({two, "/clear"}), NoHash(two));
  EXPECT_TRUE(harness::ReadFile(two) == twoAfter);
  EXPECT_TRUE(maintenance::ReadobjReads(two));

  // Stored only in language 0: that copy is the one removed.
  const auto neutralBefore = AllResources(neutral);
  EXPECT_EQ(tool.Run({neutral, "/clear"}), kAttemptClear + kCompletedClear);
  EXPECT_EQ(AllResources(neutral), Without(neutralBefore, "HASH/HASH/0"));
}

TEST(Clear, LeavesFilesWithoutHashOrThatCannotBeWrittenAsTheyWere) {
  harness::Tool tool;
  harness::TempDir dir;
  const std::string none = dir.Sub("none.lng"), readOnly = dir.Sub("ro.lng"), text = dir.Sub("text.lng");
  ASSERT_TRUE(harness::BuildResourceDll(kStrings + kDesign, none));
  ASSERT_TRUE(harness::BuildResourceDll(kStrings + Hash(0, 1, "digest"), readOnly));
  harness::WriteFile(text, "not a module");
  ASSERT_EQ(harness::Shell("chmod a-w '" + readOnly + "'"), 0);
  std::map<std::string, std::string> before;
  for (const auto& f : {none, readOnly, text}) before[f] = harness::ReadFile(f);

  EXPECT_EQ(tool.Run({none, "/clear"}), NoHash(none));
  EXPECT_EQ(tool.Run({text, "/clear"}), NoHash(text));
  // A read-only file refuses the update when it begins, as on Windows.
  EXPECT_EQ(tool.Run({readOnly, "/clear"}), BeginRefused(readOnly));
  EXPECT_EQ(tool.Run({readOnly, "/clear", "/nomsgs"}), "");
  // A folder stands for the file named like it inside it.
  EXPECT_EQ(tool.Run({dir.path, "/clear"}), NoHash(dir.path + "/" + dir.path.substr(dir.path.rfind('/') + 1)));

  for (const auto& [file, bytes] : before) EXPECT_TRUE(harness::ReadFile(file) == bytes) << file;
}

TEST(Clear, ModuleWithCodeKeepsEveryOtherByteOfItsSections) {
  harness::Tool tool;
  harness::TempDir dir;
  const std::string dll = dir.Sub("plugin.dll");
  ASSERT_TRUE(maintenance::BuildModule(kStrings + kDesign + Hash(0, 1, std::string(3000, 'h')), dll,
                                       maintenance::Fixture("code_module.c")));
  auto sectionsBefore = maintenance::SectionBytes(dll);
  ASSERT_TRUE(sectionsBefore.count(".reloc") && sectionsBefore.count(".text"));
  const auto resourcesBefore = AllResources(dll);

  EXPECT_EQ(tool.Run({dll, "/clear"}), kAttemptClear + kCompletedClear);
  EXPECT_EQ(AllResources(dll), Without(resourcesBefore, "HASH/HASH/1024"));
  auto sectionsAfter = maintenance::SectionBytes(dll);
  sectionsBefore.erase(".rsrc");
  sectionsAfter.erase(".rsrc");
  EXPECT_TRUE(sectionsAfter == sectionsBefore);
  std::string listing;
  EXPECT_TRUE(maintenance::ReadobjReads(dll, &listing)) << listing;
  EXPECT_EQ(listing.find("HASH"), std::string::npos);
  EXPECT_NE(listing.find("GUIDELINES"), std::string::npos);
}

class Clean : public ::testing::Test {
 protected:
  harness::Tool tool;
  harness::TempDir dir;
  std::string Lng(const std::string& name, const std::string& rc) {
    const std::string path = dir.Sub(name);
    EXPECT_TRUE(harness::BuildResourceDll(rc, path));
    return path;
  }
};

TEST_F(Clean, StripsLeftoversFromEveryLanguageFileOfTheFolder) {
  const std::string a = Lng("a_hash.lng", kStrings + Hash(0, 1, "digest"));
  const std::string b = Lng("b_plain.lng", kStrings);
  const std::string c = Lng("C_design.LNG", kStrings + kDesign);
  const std::string d = Lng("d_all.lng", kStrings + Hash(0, 1, "x") + kNumeric + kDesign);
  // Not language files, or not this folder's: left alone.
  const std::string dll = Lng("e_module.dll", kStrings + Hash(0, 1, "digest"));
  harness::MakeDirs(dir.Sub("folder.lng"));
  harness::MakeDirs(dir.Sub("sub"));
  const std::string nested = dir.Sub("sub/nested.lng");
  ASSERT_TRUE(harness::BuildResourceDll(kStrings + Hash(0, 1, "digest"), nested));
  harness::WriteFile(dir.Sub("f_text.lng"), "no module here");

  std::map<std::string, std::map<std::string, std::vector<uint8_t>>> before;
  for (const auto& f : {a, b, c, d}) before[f] = AllResources(f);
  std::map<std::string, std::string> untouched;
  for (const auto& f : {b, dll, nested, dir.Sub("f_text.lng")}) untouched[f] = harness::ReadFile(f);
  // A reader that holds the old files keeps reading them, and every file
  // keeps its permissions. The working copies of a killed run go; a user's
  // files that only look like them stay.
  ASSERT_EQ(harness::Shell("chmod 0600 '" + c + "'"), 0);
  std::string modes;
  harness::Shell("cd '" + dir.path + "' && stat -c '%n %a' a_hash.lng C_design.LNG d_all.lng", &modes);
  const harness::HeldFiles held({a, b, c, d, dir.Sub("f_text.lng")});
  const std::string kept = "a_hash.lng.0123456789ABCDEF.tmp\nb.txt.0123456789abcdef.tmp\nnotes.lng.cafe.tmp\n";
  for (const char* name : {"a_hash.lng.0123456789abcdef.tmp", "a_hash.lng.0123456789ABCDEF.tmp",
                           "b.txt.0123456789abcdef.tmp", "gone.lng.fedcba9876543210.tmp", "notes.lng.cafe.tmp"})
    harness::WriteFile(dir.Sub(name), "old");

  {
    // One worker: each file is cleaned after the one before was replaced.
    harness::EnvOverride workers("PACKSMITH_WORKERS", "1");
    EXPECT_EQ(tool.Run({dir.path, "/clean"}), kAttemptClean + Cleaned("a_hash.lng") + Cleaned("C_design.LNG") +
                                                   Cleaned("d_all.lng") +
                                                   "Completed lng file cleanup - 3 files were cleaned.\r\n");
  }
  EXPECT_EQ(AllResources(a), Without(before[a], "HASH/HASH/1024"));
  EXPECT_EQ(AllResources(c), Without(before[c], "DESIGNINFO/GUIDELINES/1024"));
  EXPECT_EQ(AllResources(d),
            Without(Without(Without(before[d], "HASH/HASH/1024"), "#255/#1/1024"), "DESIGNINFO/GUIDELINES/1024"));
  for (const auto& f : {a, c, d}) EXPECT_TRUE(maintenance::ReadobjReads(f)) << f;
  for (const auto& [file, bytes] : untouched) EXPECT_TRUE(harness::ReadFile(file) == bytes) << file;
  EXPECT_EQ(held.Changed(), std::vector<std::string>());
  std::string after;
  harness::Shell("cd '" + dir.path + "' && stat -c '%n %a' a_hash.lng C_design.LNG d_all.lng; ls | grep 'tmp$'",
                 &after);
  // Windows gives a replaced file the folder's access rights.
  if (!harness::DrivesWindowsBuild()) {
    EXPECT_EQ(after, modes + kept);
  }
  EXPECT_TRUE(after.ends_with("\n" + kept)) << after;

  // Everything is clean now.
  EXPECT_EQ(tool.Run({dir.path, "/clean"}), kAttemptClean + kNoneCleaned);
}

TEST_F(Clean, ThreeFilesOfWhichTwoNeedIt) {
  Lng("one.lng", kStrings + Hash(0, 1, "digest"));
  Lng("three.lng", kStrings);
  Lng("two.lng", kStrings + kDesign);
  EXPECT_EQ(tool.Run({dir.path, "/clean"}), kAttemptClean + Cleaned("one.lng") + Cleaned("two.lng") +
                                                 "Completed lng file cleanup - 2 files were cleaned.\r\n");
}

TEST_F(Clean, OneCleanedFileGivenByTheFileItself) {
  const std::string plain = Lng("plain.lng", kStrings);
  Lng("hashed.lng", kStrings + Hash(9, 1, "english") + Hash(7, 1, "german"));
  Lng("numeric.lng", kStrings + "LANGUAGE 0, 0\n1 255\nBEGIN\n 0x1234\nEND\n");
  // A path to one language file stands for its whole folder; each run
  // removes one language of each leftover, the neutral one included.
  EXPECT_EQ(tool.Run({plain, "/clean"}), kAttemptClean + Cleaned("hashed.lng") + Cleaned("numeric.lng") +
                                             "Completed lng file cleanup - 2 files were cleaned.\r\n");
  EXPECT_EQ(Languages(dir.Sub("hashed.lng"), kHash, kHash), std::vector<uint16_t>{0x0409});
  EXPECT_TRUE(Languages(dir.Sub("numeric.lng"), ResId::Int(255), ResId::Int(1)).empty());
  EXPECT_EQ(tool.Run({plain, "/clean"}),
            kAttemptClean + Cleaned("hashed.lng") + "Completed lng file cleanup - 1 file was cleaned.\r\n");
  EXPECT_TRUE(Languages(dir.Sub("hashed.lng"), kHash, kHash).empty());
}

TEST_F(Clean, NothingToClean) {
  EXPECT_EQ(tool.Run({dir.path, "/clean"}), kAttemptClean + kNoneCleaned);
  Lng("plain.lng", kStrings);
  EXPECT_EQ(tool.Run({dir.path, "/clean"}), kAttemptClean + kNoneCleaned);
  EXPECT_EQ(tool.Run({dir.path, "/clean", "/nomsgs"}), "");
}

TEST_F(Clean, FileThatCannotBeOpenedIsNamedAndPassedOver) {
  if (harness::DrivesWindowsBuild()) GTEST_SKIP() << "Windows has no FIFOs";
  // A FIFO cannot be read as a module, and reading it must not wait for a
  // writer; a file that is read and is no module is no language file.
  ASSERT_EQ(harness::Shell("mkfifo '" + dir.Sub("a_pipe.lng") + "'"), 0);
  harness::WriteFile(dir.Sub("b_text.lng"), "no module here");
  Lng("c_hash.lng", kStrings + Hash(0, 1, "digest"));
  EXPECT_EQ(tool.Run({dir.path, "/clean"}), kAttemptClean + "Unable to open the lng file `" +
                                                 harness::ShownPath(dir.Sub("a_pipe.lng")) +
                                                 "' for cleanup [5]\r\n" + Cleaned("c_hash.lng") +
                                                 "Completed lng file cleanup - 1 file was cleaned.\r\n");
}

TEST_F(Clean, LinksAreNamedAndPassedOver) {
  if (harness::DrivesWindowsBuild()) GTEST_SKIP() << "Wine shows a link as its target";
  // A link to a language file elsewhere, and one to a folder: the cleaned
  // copy would take the link's place, so neither is touched; the files
  // beside them are cleaned.
  harness::TempDir elsewhere;
  const std::string target = elsewhere.Sub("shared.lng");
  ASSERT_TRUE(harness::BuildResourceDll(kStrings + Hash(0, 1, "digest"), target));
  const std::string bytes = harness::ReadFile(target);
  Lng("b_hash.lng", kStrings + Hash(0, 1, "digest"));
  ASSERT_EQ(harness::Shell("cd '" + dir.path + "' && ln -s '" + target + "' a_link.lng && ln -s '" + elsewhere.path +
                           "' c_folder.lng"),
            0);
  EXPECT_EQ(tool.Run({dir.path, "/clean"}), kAttemptClean + "Skipping the link `" + dir.Sub("a_link.lng") +
                                                 "'\r\nSkipping the link `" + dir.Sub("c_folder.lng") + "'\r\n" +
                                                 Cleaned("b_hash.lng") +
                                                 "Completed lng file cleanup - 1 file was cleaned.\r\n");
  EXPECT_EQ(harness::Shell("test -L '" + dir.Sub("a_link.lng") + "'"), 0);
  EXPECT_TRUE(harness::ReadFile(target) == bytes);
}

TEST_F(Clean, ReadOnlyFileIsPassedOverAndStaysAsItWas) {
  const std::string ro = Lng("locked.lng", kStrings + Hash(0, 1, "x") + kNumeric + kDesign);
  Lng("open.lng", kStrings + Hash(0, 1, "x"));
  ASSERT_EQ(harness::Shell("chmod a-w '" + ro + "'"), 0);
  const std::string bytes = harness::ReadFile(ro);
  // It needed cleaning: it is named, as /clear names it.
  EXPECT_EQ(tool.Run({dir.path, "/clean"}),
            kAttemptClean + NotBegun(ro) + Cleaned("open.lng") +
                "Completed lng file cleanup - 1 file was cleaned.\r\n");
  EXPECT_TRUE(harness::ReadFile(ro) == bytes);
}

// A language file the update cannot start on: /clear, /ini_tx and /clean
// print their begin failure (/clean then counts no file cleaned rather than
// none needing it), and it stays byte for byte.
void ExpectEveryUpdateRefusedAtBegin(const std::string& lng) {
  harness::Tool tool;
  harness::TempDir dir;
  const std::string ini = dir.Sub("s.ini"), folder = lng.substr(0, lng.rfind('/'));
  harness::WriteFile(ini, "[S]\r\n1=uno\r\n");
  const std::vector<uint8_t> bytes = harness::ReadBytes(lng);
  // What llvm-readobj makes of the file (an error, or a crash whose trace
  // is left out), before and after.
  auto readobj = [&] {
    std::string listing;
    maintenance::ReadobjReads(lng, &listing);
    return listing.substr(0, listing.find("PLEASE submit"));
  };
  const std::string listing = readobj();

  EXPECT_EQ(tool.Run({lng, "/clear"}), BeginRefused(lng));
  EXPECT_EQ(tool.Run({lng, "/ini_tx", ini}),
            "Attempting to transfer ini strings into lng file...\r\n"
            "Detected 1 strings to transfer [equals 1 stringtable blocks]\r\n"
            "Failed to commit the updates to the lng file (" + harness::ShownPath(lng) + ") - invalid file passed\r\n"
            "Completed ini string to lng file transfer\r\n");
  EXPECT_EQ(tool.Run({folder, "/clean"}), kAttemptClean + NotBegun(lng) + kZeroCleaned);
  EXPECT_TRUE(harness::ReadBytes(lng) == bytes);
  EXPECT_EQ(readobj(), listing);
}

// The engine's reason for refusing to begin an update on the file, or 0
// when it begins.
int BeginRefusal(const std::string& path) {
  return BeginResourceUpdate(Utf8ToWide(path)) ? 0 : GetLastErrorCode();
}

const std::string kEveryLeftover = kStrings + Hash(0, 1, "digest") + kDesign + kNumeric;

TEST(ReadOnly, EveryUpdateRefusesAtBegin) {
  // The update opens the file for writing when it begins, as the platform
  // does, so a read-only file fails there rather than at the commit.
  harness::TempDir dir;
  const std::string lng = dir.Sub("lang/ro.lng");
  harness::MakeDirs(dir.Sub("lang"));
  ASSERT_TRUE(harness::BuildResourceDll(kEveryLeftover, lng));
  ASSERT_EQ(harness::Shell("chmod a-w '" + lng + "'"), 0);
  EXPECT_EQ(BeginRefusal(lng), 5);
  ExpectEveryUpdateRefusedAtBegin(lng);
}

// A damaged entry in the resource directory: the engine cannot read it, so
// an update would write the module back without it. Every command that
// updates the module refuses at the start and leaves it byte for byte.
struct Damage {
  const char* what;
  std::vector<ResId> entry;  // type, name, language
  size_t field;              // 0, 4: the entry's name or offset; 8, 12: its data entry's address or size
  uint32_t value;
};

void PrintTo(const Damage& damage, std::ostream* os) { *os << damage.what; }

class DamagedDirectory : public testing::TestWithParam<Damage> {};

TEST_P(DamagedDirectory, EveryUpdateRefusesAtBegin) {
  harness::TempDir dir;
  const std::string lng = dir.Sub("lang/damaged.lng");
  harness::MakeDirs(dir.Sub("lang"));
  ASSERT_TRUE(harness::BuildResourceDll(kEveryLeftover, lng));
  std::vector<uint8_t> bytes = harness::ReadBytes(lng);
  size_t root = 0, at = maintenance::ResourceEntryOffset(bytes, GetParam().entry, root);
  ASSERT_NE(at, 0u);
  if (GetParam().field >= 8) {
    uint32_t offset = 0;
    ASSERT_TRUE(ByteReader(bytes).PeekU32At(at + 4, offset));
    at = root + offset - 8;
  }
  for (size_t i = 0; i < 4; ++i) bytes[at + GetParam().field + i] = static_cast<uint8_t>(GetParam().value >> (8 * i));
  harness::WriteFile(lng, std::string(bytes.begin(), bytes.end()));
  EXPECT_EQ(BeginRefusal(lng), 13);
  ExpectEveryUpdateRefusedAtBegin(lng);
}

const ResId kRcdata = ResId::Int(10), kItem = ResId::Int(200);
INSTANTIATE_TEST_SUITE_P(
    Damages, DamagedDirectory,
    testing::Values(Damage{"type subdirectory past the end", {kRcdata}, 4, 0x80FFFFF0},
                    Damage{"name subdirectory looping to the root", {kRcdata, kItem}, 4, 0x80000000},
                    Damage{"type name past the end", {ResId::Str(u"DESIGNINFO")}, 0, 0x80FFFFF0},
                    Damage{"data address outside every section", {kRcdata, kItem, ResId::Int(0x400)}, 8, 0x7FFFFF00},
                    Damage{"data size past the end", {kRcdata, kItem, ResId::Int(0x400)}, 12, 0x00FFFFFF}),
    [](const testing::TestParamInfo<Damage>& info) {
      std::string name;
      for (const char* c = info.param.what; *c; ++c)
        if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
      return name;
    });

}  // namespace
