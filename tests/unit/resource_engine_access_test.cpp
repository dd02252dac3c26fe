// RemoveResource on real modules: which language goes, what stays, and the
// message of a failed commit.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "lngfile/resource_access.h"
#include "os/files.h"
#include "os/process.h"
#include "unit/resource_engine_support.h"

namespace {

using namespace engine_test;

std::vector<std::string> Drop(std::vector<std::string> list, const std::string& entry) {
  const auto at = std::find_if(list.begin(), list.end(), [&](const std::string& s) { return s.rfind(entry, 0) == 0; });
  EXPECT_NE(at, list.end()) << entry;
  if (at != list.end()) list.erase(at);
  return list;
}

class ResourceEngineRemove : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.Sub("reader.lng");
    ASSERT_TRUE(LinkModule("reader.rc", path_));
    wpath_ = Utf8ToWide(path_);
    before_ = ReadobjResources(path_);
  }
  bool Remove(const ResId& type, const ResId& name, std::string& printed) {
    ::testing::internal::CaptureStdout();
    const bool removed = RemoveResource(Messages(), wpath_, type, name);
    printed = ::testing::internal::GetCapturedStdout();
    return removed;
  }
  harness::TempDir dir_;
  std::string path_;
  WString wpath_;
  std::vector<std::string> before_;
};

// A resource only in language 0: the probe keeps its starting 0x0400, but
// the copy deleted is the one found, in language 0.
TEST_F(ResourceEngineRemove, RemovesALanguageNeutralResource) {
  std::string printed;
  EXPECT_TRUE(Remove(ResId::Str(u"TEXT"), ResId::Str(u"neutral"), printed));
  EXPECT_EQ(printed, "");
  EXPECT_EQ(ReadobjResources(path_), Drop(before_, "TEXT/NEUTRAL/0="));
  EXPECT_FALSE(Remove(ResId::Str(u"TEXT"), ResId::Str(u"NEUTRAL"), printed));
  EXPECT_EQ(printed, "");
}

// Two languages: the first listed goes, then the other; then nothing is left.
TEST_F(ResourceEngineRemove, RemovesOneLanguageAtATime) {
  std::string printed;
  EXPECT_TRUE(Remove(ResId::Str(u"TEXT"), ResId::Str(u"HELLO"), printed));
  std::vector<std::string> expected = Drop(before_, "TEXT/HELLO/1031=");
  EXPECT_EQ(ReadobjResources(path_), expected);
  EXPECT_TRUE(Remove(ResId::Str(u"TEXT"), ResId::Str(u"HELLO"), printed));
  expected = Drop(expected, "TEXT/HELLO/1033=");
  EXPECT_EQ(ReadobjResources(path_), expected);
  EXPECT_EQ(EngineResources(path_), expected);
  EXPECT_FALSE(Remove(ResId::Str(u"TEXT"), ResId::Str(u"HELLO"), printed));
  EXPECT_EQ(printed, "");
  ExpectConsistentHeaders(path_);
}

TEST_F(ResourceEngineRemove, SilentWhenAbsentOrNoModule) {
  std::string printed;
  const std::vector<uint8_t> original = harness::ReadBytes(path_);
  EXPECT_FALSE(Remove(ResId::Int(255), ResId::Int(1), printed));
  EXPECT_FALSE(Remove(ResId::Str(u"HASH"), ResId::Str(u"HASH"), printed));
  EXPECT_EQ(printed, "");
  EXPECT_EQ(harness::ReadBytes(path_), original);
  harness::WriteFile(path_, "plain text");
  EXPECT_FALSE(Remove(ResId::Str(u"TEXT"), ResId::Str(u"HELLO"), printed));
  EXPECT_EQ(printed, "");
}

TEST_F(ResourceEngineRemove, FailedCommitPrintsTheMessage) {
  ResourceUpdatePtr update = BeginResourceUpdate(wpath_);
  ASSERT_TRUE(update);
  const uint8_t data[] = {1, 2, 3};
  UpdateResourceItem(*update, ResId::Int(255), ResId::Int(1), 0x400, data);
  ASSERT_TRUE(CommitResourceUpdate(std::move(update)));
  const std::vector<uint8_t> original = harness::ReadBytes(path_);
  std::string printed;

  // A read-only file: the update cannot begin, which is no message.
  ASSERT_EQ(::chmod(path_.c_str(), 0444), 0);
  EXPECT_FALSE(Remove(ResId::Int(255), ResId::Int(1), printed));
  EXPECT_EQ(printed, "");
  ASSERT_EQ(::chmod(path_.c_str(), 0644), 0);

  // The new copy cannot be written whole (the file-size limit stands in
  // for a full disk): the commit fails and says so.
  PrepareProcess();  // the limit then fails the write instead of ending the test
  struct rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct rlimit limited = saved;
  limited.rlim_cur = 512;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
  std::string printedText;
  const bool removed = Remove(ResId::Int(255), ResId::Int(1), printed);
  const bool removedText = Remove(ResId::Str(u"TEXT"), ResId::Str(u"NEUTRAL"), printedText);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &saved), 0);
  EXPECT_FALSE(removed);
  EXPECT_EQ(printed, "Failed to remove the 255 section from the file (" + path_ + ") 112\r\n");
  EXPECT_FALSE(removedText);
  EXPECT_EQ(printedText, "Failed to remove the TEXT section from the file (" + path_ + ") 112\r\n");
  EXPECT_EQ(harness::ReadBytes(path_), original);
}

}  // namespace
