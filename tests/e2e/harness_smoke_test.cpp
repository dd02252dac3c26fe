#include <gtest/gtest.h>

#include "support/harness.h"

TEST(Harness, BuildsAModuleFromRc) {
  harness::TempDir dir;
  ASSERT_TRUE(harness::BuildResourceDll("STRINGTABLE\nBEGIN\n 1 \"OK\"\nEND\n", dir.Sub("a.dll")));
  EXPECT_TRUE(harness::Exists(dir.Sub("a.dll")));
}
