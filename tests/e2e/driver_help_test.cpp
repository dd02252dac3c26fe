// Help output of the built tool, byte for byte. The expected section texts
// are fixture files; the banner's build time varies and is checked by form.
#include <gtest/gtest.h>

#include <regex>

#include "support/harness.h"

namespace {

std::string Fixture(const std::string& name) {
  return harness::ReadFile(std::string(PACKSMITH_FIXTURE_DIR) + "/driver/help_" + name + ".txt");
}

const char* const kSectionOrder[] = {"build", "clear", "clean",  "diff",      "ini_tx",
                                     "lgp",   "zipup", "check", "po_export", "po_import"};

std::string FullHelpBody() {
  std::string body;
  for (const char* s : kSectionOrder) body += Fixture(s);
  return body + Fixture("miscellaneous");
}

// Checks the six banner lines and returns what follows them.
std::string AfterBanner(const std::string& out) {
  static const std::regex banner(
      "Packsmith v2\\.3 BETA 3\r\n"
      "Built: (Sun|Mon|Tue|Wed|Thu|Fri|Sat) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
      "( [1-9]|[12][0-9]|3[01]) [0-2][0-9]:[0-5][0-9]:[0-5][0-9] [0-9]{4}\r\n"
      "Written by the Packsmith developers\r\n"
      "Latest version: see the Packsmith project's releases page\r\n"
      "\r\n\r\n");
  std::smatch m;
  if (!std::regex_search(out, m, banner, std::regex_constants::match_continuous)) {
    ADD_FAILURE() << "no banner at the start of:\n" << out.substr(0, 300);
    return out;
  }
  return out.substr(static_cast<size_t>(m.length(0)));
}

const std::string kUnknownQueryList =
    "'\r\nPlease check you have passed a valid command to get help about.\r\n"
    "The supported commands in this version of the tool are:\r\n\r\n"
    "/build\r\n/clear\r\n/diff\r\n/ini_tx\r\n/lgp\r\n/zipup\r\n/clean\r\n/check\r\n/po_export\r\n/po_import\r\n";

}  // namespace

TEST(DriverHelp, FullHelpForEverySpellingOfTheSwitch) {
  harness::Tool tool;
  const std::string expected = FullHelpBody();
  ASSERT_NE(expected.find("/fileame=%filname%"), std::string::npos) << "fixtures missing";
  for (const char* sw : {"/help", "/?", "/HELP", "/Help"}) {
    SCOPED_TRACE(sw);
    EXPECT_EQ(AfterBanner(tool.Run({sw})), expected);
  }
  // Help is never silenced, and "/nomsgs" after it is a query of its own.
  EXPECT_EQ(AfterBanner(tool.Run({"/help", "/nomsgs"})),
            "Unable to show information about the queried command: `/nomsgs" + kUnknownQueryList);
}

TEST(DriverHelp, QueryNamingACommandPrintsOnlyItsSection) {
  harness::Tool tool;
  for (const char* s : kSectionOrder) {
    const std::string word = std::string("/") + s;
    SCOPED_TRACE(word);
    EXPECT_EQ(AfterBanner(tool.Run({"/help", word})), Fixture(s));
  }
  // Upper case, and further arguments after the word.
  EXPECT_EQ(AfterBanner(tool.Run({"/help", "/CLEAN"})), Fixture("clean"));
  EXPECT_EQ(AfterBanner(tool.Run({"/?", "/Lgp", "en-GB", "/copy"})), Fixture("lgp"));
}

TEST(DriverHelp, QueryThatIsNoWholeWordPrintsTheBannerAlone) {
  harness::Tool tool;
  EXPECT_EQ(AfterBanner(tool.Run({"/help", "/cleanup"})), "");
  EXPECT_EQ(AfterBanner(tool.Run({"/help", "/build,"})), "");
  EXPECT_EQ(AfterBanner(tool.Run({"/help", "/LGPX", "x"})), "");
}

TEST(DriverHelp, UnknownQueryNamesTheWholeRestOfTheLine) {
  harness::Tool tool;
  EXPECT_EQ(AfterBanner(tool.Run({"/help", "/foo", "bar", "baz"})),
            "Unable to show information about the queried command: `/foo bar baz" + kUnknownQueryList);
  EXPECT_EQ(AfterBanner(tool.Run({"/?", "/help"})),
            "Unable to show information about the queried command: `/help" + kUnknownQueryList);
  // Shorter than every table entry: no read past the end of the line.
  EXPECT_EQ(AfterBanner(tool.Run({"/help", "/"})),
            "Unable to show information about the queried command: `/" + kUnknownQueryList);
}

TEST(DriverHelp, SwitchCountsOnlyAsFirstArgument) {
  harness::Tool tool;
  // Second position: an invalid command after the full help.
  EXPECT_EQ(AfterBanner(tool.Run({".", "/help"})), FullHelpBody() + "\r\nInvalid parameters passed `/help'\r\n");
  // More letters after "/help": a path, which does not exist. It is
  // absolute on Linux; on Windows it starts at the current drive's root.
  const std::string cwd = harness::ShownPath(harness::RealPath(tool.dir.path));
  EXPECT_EQ(tool.Run({"/helpme", "/build"}),
            harness::DrivesWindowsBuild()
                ? "Relative path invalid - unable to continue.  Please check the passed path(s).\r\n"
                  "Relative path generated: `Z:\\helpme' made from `" + cwd + "' and `/helpme'\r\nNow exiting...\r\n\r\n"
                : "Absolute path invalid - unable to continue.  Please check the passed path.\r\n\r\n"
                  "Absolute path generated: `/helpme'\r\nNow exiting...\r\n\r\n");
}
