#include <gtest/gtest.h>

#include "support/harness.h"

TEST(Harness, BuildsAModuleFromRc) {
  harness::TempDir dir;
  ASSERT_TRUE(harness::BuildResourceDll("STRINGTABLE\nBEGIN\n 1 \"OK\"\nEND\n", dir.Sub("a.dll")));
  EXPECT_TRUE(harness::Exists(dir.Sub("a.dll")));
}

// The set-up scripts on a machine whose package indexes are not all
// reachable (a mirror in the middle of a sync) and that cannot install
// wine32: apt-get, dpkg and dpkg-query are stand-ins that log what they are
// asked and answer as such a machine does.
TEST(Harness, SetUpSurvivesAnIndexThatFailsAndTakesBackTheArchitectureItAdded) {
  harness::TempDir dir;
  const std::string bin = dir.Sub("bin"), log = dir.Sub("log");
  harness::MakeDirs(bin);
  auto stub = [&](const std::string& name, const std::string& body) {
    harness::WriteFile(bin + "/" + name, "#!/bin/sh\necho \"" + name + " $*\" >>'" + log + "'\n" + body);
    harness::Shell("chmod +x '" + bin + "/" + name + "'");
  };
  // Every package is missing when MISSING is set; otherwise all but wine32
  // are there, and the version of minizip is not known, which stops
  // scripts/build-windows.sh just after its wine32 step.
  stub("dpkg-query", "case \"$*\" in *wine32*|*Version*) exit 1;; esac\n"
                     "[ -n \"$MISSING\" ] && exit 1\nprintf 'install ok installed'\n");
  stub("dpkg", "exit 0\n");
  stub("apt-get", "case \"$*\" in update*) exit 100;; *wine32*) exit 100;; esac\nexit 0\n");
  stub("sudo", "exec \"$@\"\n");
  const std::string scripts = std::string(PACKSMITH_SOURCE_DIR) + "/scripts/";
  const std::string path = "PATH='" + bin + "':\"$PATH\" ";

  EXPECT_EQ(harness::Shell(path + "MISSING=1 bash '" + scripts + "setup.sh' >/dev/null 2>&1"), 0);
  std::string calls = harness::ReadFile(log);
  EXPECT_NE(calls.find("apt-get update -qq\napt-get install -y -qq cmake "), std::string::npos) << calls;

  harness::WriteFile(log, "");
  EXPECT_NE(harness::Shell(path + "bash '" + scripts + "build-windows.sh' --tests >/dev/null 2>&1"), 0);
  calls = harness::ReadFile(log);
  const std::string wine32 = "dpkg --print-foreign-architectures\ndpkg --add-architecture i386\napt-get update -qq\n"
                             "apt-get install -y -qq wine32:i386\ndpkg --remove-architecture i386\n";
  EXPECT_NE(calls.find(wine32), std::string::npos) << calls;
}
