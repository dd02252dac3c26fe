// /check end to end: every check on modules compiled from .rc sources, a
// sound translation without findings, pack and folder modes alike, the
// exit codes, check.json read back with the JSON library, check.html in a
// headless browser, and bad input.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "e2e/diff_support.h"

namespace {

using Json = nlohmann::json;
const auto Quote = difftest::ShellQuote;

std::string Fixture(const std::string& name) {
  return harness::ReadFile(std::string(PACKSMITH_FIXTURE_DIR) + "/check/" + name);
}

// An install (ui.dll, and plugins/fx.dll with a MENUEX where windres is
// there), a folder of language files, its pack, a temporary folder and the
// report folder.
struct CheckSetup {
  harness::TempDir dir;
  std::string install = dir.Sub("install"), lng = dir.Sub("lng"), tmp = dir.Sub("tmp"), reports = dir.Sub("reports");
  std::string pack = dir.Sub("de.lgp");
  bool menuex = harness::HaveWindres();
  CheckSetup() {
    harness::MakeDirs(install + "/plugins");
    harness::MakeDirs(lng);
    harness::MakeDirs(tmp);
  }
  bool Build(const std::string& uiTranslation) {
    bool ok = harness::BuildResourceDll(Fixture("module.rc"), install + "/ui.dll") &&
              harness::BuildResourceDll(Fixture(uiTranslation), lng + "/ui.lng");
    if (menuex)
      ok = ok && harness::BuildResourceDll(Fixture("menuex_module.rc"), install + "/plugins/fx.dll",
                                           harness::Compiler::Windres) &&
           harness::BuildResourceDll(Fixture("menuex_faulty.rc"), lng + "/fx.lng", harness::Compiler::Windres);
    return ok;
  }
  bool Zip() { return harness::Shell("cd " + Quote(lng) + " && zip -q -r " + Quote(pack) + " .") == 0; }
  harness::Tool::Result Run(const harness::Tool& tool, const std::string& target, const std::string& out = "") const {
    const harness::EnvOverride temp("TMPDIR", tmp.c_str());
    harness::Tool::Result r = tool.RunFull({install, "/check", target, "/folder=" + (out.empty() ? reports : out)});
    EXPECT_EQ(r.err, "");
    return r;
  }
  bool TmpEmpty() const { return harness::Shell("[ -z \"$(ls -A " + Quote(tmp) + ")\" ]") == 0; }
  Json Report(const std::string& out = "") const {
    return Json::parse(harness::ReadFile((out.empty() ? reports : out) + "/check.json"));
  }
};

std::string Start(const CheckSetup& s, const std::string& kind, const std::string& target) {
  return "Starting check of Nuvexa install (" + harness::ShownPath(s.install) + ") against the passed " + kind + " (" +
         harness::ShownPath(target) + ")\r\n";
}
std::string End(const CheckSetup& s, const std::string& kind) {
  return "Reports written to `" + harness::ShownPath(s.reports) + "'\r\n\r\nCompleted check of Nuvexa install against "
         "the passed " + kind + ".\r\n";
}

const char kFaultyUi[] =
    "\r\n<<<<< Checking ui.dll against ui.lng >>>>>\r\n"
    "error guid STRINGTABLE 65535: string 65535 is not the module's: `{4A2B1C3D-0000-4000-8000-00000000CAFE}' -> "
    "`{4A2B1C3D-0000-4000-8000-00000000BEEF}'\r\n"
    "warning shortcut-text MENU 200 item 40001 (position 2): the shortcut text `Ctrl+O' after the tab is lost: "
    "`&Open...\\tCtrl+O' -> `Ö&ffnen...'\r\n"
    "error accelerator MENU 200 item 40004 (position 6): the hotkey marker `&' is lost: `E&xit' -> `Beenden'\r\n"
    "error accelerator MENU 200 item 40010 (position 8): 2 hotkey markers `&' where one is the most: "
    "`&Copy\\tCtrl+C' -> `&Ko&pieren\\tStrg+C'\r\n"
    "warning accelerator-collision MENU 200 item 40003 (position 4): the hotkey `S' is marked by menu item 40002 too: "
    "`Save &as' -> `&Speichern unter'\r\n"
    "error unreadable MENU 250: menu 250 of the language file cannot be read\r\n"
    "warning whitespace DIALOG 300 control 1002 (position 3): spaces at the start and end: 0 and 0 in the source, 0 "
    "and 1 in the translation: `&Remember %s' -> `&Namen merken %s '\r\n"
    "error accelerator DIALOG 300 control 1 (position 4): the hotkey marker `&' is lost: `&OK' -> `OK'\r\n"
    "warning accelerator-collision DIALOG 300 control 1002 (position 3): the hotkey `N' is marked by control at "
    "position 1 too: `&Remember %s' -> `&Namen merken %s '\r\n"
    "warning missing DIALOG 301: dialog 301 is not in the language file\r\n"
    "error printf STRINGTABLE 1: the conversions differ: %s in the source, %d in the translation: `Open %s' -> "
    "`Öffnen %d'\r\n"
    "error printf STRINGTABLE 2: the conversions differ: %d %s in the source, %s %d in the translation: "
    "`%d files in %s' -> `%s: %d Dateien'\r\n"
    "warning whitespace STRINGTABLE 4: spaces at the start and end: 1 and 0 in the source, 0 and 0 in the "
    "translation: ` Volume:' -> `Lautstärke:'\r\n"
    "warning newlines STRINGTABLE 5: line breaks: 1 in the source, 0 in the translation: `Line one\\nLine two' -> "
    "`Zeile eins Zeile zwei'\r\n"
    // "% e" is a conversion as printf reads it: a lost "%" of "%%".
    "error printf STRINGTABLE 6: the conversions differ: none in the source, % e in the translation: `100%% done' -> "
    "`100% erledigt'\r\n"
    "error printf STRINGTABLE 8: the conversions differ: %d in the source, %s in the translation: "
    "`<b>%d</b> & more' -> `<script>%s</script> & mehr'\r\n"
    "warning missing STRINGTABLE 9: not in the language file: `Only in the module' -> (none)\r\n";

const char kFaultyFx[] =
    "\r\n<<<<< Checking plugins/fx.dll against fx.lng >>>>>\r\n"
    "warning shortcut-text MENU 5 item 501 (position 2): the shortcut text `Space' after the tab is lost: "
    "`&Play\\tSpace' -> `&Wiedergabe'\r\n"
    "warning accelerator-collision MENU 5 item 502 (position 3): the hotkey `W' is marked by menu item 501 too: "
    "`P&ause' -> `&Warten'\r\n";

std::string FaultySummary(bool menuex) {
  return menuex ? "\r\nChecked 2 modules: 9 errors, 10 warnings; 22 of 28 texts translated (78.6%), 2 untranslated, "
                  "4 missing\r\n"
                : "\r\nChecked 1 modules: 9 errors, 8 warnings; 19 of 25 texts translated (76.0%), 2 untranslated, "
                  "4 missing\r\n";
}

}  // namespace

TEST(CheckCommand, FindsEveryFaultInFolderAndPackModeAlike) {
  harness::Tool tool;
  CheckSetup s;
  ASSERT_TRUE(s.Build("faulty.rc"));
  const std::string findings = std::string(kFaultyUi) + (s.menuex ? kFaultyFx : "");
  const harness::Tool::Result folder = s.Run(tool, s.lng);
  EXPECT_EQ(folder.out, Start(s, "folder", s.lng) + findings + FaultySummary(s.menuex) +
                            "Successfully created `" + harness::ShownPath(s.reports) + "'\r\n" + End(s, "folder"));
  EXPECT_EQ(folder.status, 1);

  // The schema, read back with the library that wrote it.
  const Json json = s.Report();
  EXPECT_EQ(json["install"], harness::ShownPath(s.install));
  EXPECT_EQ(json["against"], harness::ShownPath(s.lng));
  const Json& ui = json["modules"][0];
  EXPECT_EQ(ui["module"], "ui.dll");
  EXPECT_EQ(ui["language_file"], "ui.lng");
  EXPECT_EQ(ui["texts"], Json::parse(R"({"total": 25, "translated": 19, "untranslated": 2, "missing": 4})"));
  for (const Json& f : ui["findings"]) {
    EXPECT_EQ(f.size(), 9u);
    EXPECT_TRUE(f["severity"] == "error" || f["severity"] == "warning");
    for (const char* key : {"id", "item", "index"}) EXPECT_TRUE(f[key].is_null() || f[key].is_number_unsigned());
    for (const char* key : {"source", "translation"}) EXPECT_TRUE(f[key].is_null() || f[key].is_string());
  }
  EXPECT_EQ(ui["findings"][1], Json::parse(R"({"severity": "warning", "check": "shortcut-text", "resource": "MENU",
      "id": 200, "item": 40001, "index": 2, "source": "&Open...\tCtrl+O", "translation": "Ö&ffnen...",
      "message": "the shortcut text `Ctrl+O' after the tab is lost"})"));
  EXPECT_EQ(ui["findings"][9]["resource"], "DIALOG");
  EXPECT_TRUE(ui["findings"][9]["item"].is_null());  // the dialog as a whole
  EXPECT_EQ(json["summary"], Json::parse(s.menuex ? R"({"modules": 2, "errors": 9, "warnings": 10,
      "translated_percent": 78.6})" : R"({"modules": 1, "errors": 9, "warnings": 8, "translated_percent": 76.0})"));

  // The same files packed: the same findings, and the temporary folder goes.
  ASSERT_TRUE(s.Zip());
  const std::string packReports = s.dir.Sub("pack-reports");
  const harness::Tool::Result pack = s.Run(tool, s.pack, packReports);
  EXPECT_EQ(pack.status, 1);
  EXPECT_NE(pack.out.find(findings + FaultySummary(s.menuex)), std::string::npos) << pack.out;
  EXPECT_EQ(s.Report(packReports)["modules"], json["modules"]);
  EXPECT_TRUE(tool.windows || s.TmpEmpty());  // Wine takes its own temporary folder
}

TEST(CheckCommand, SoundTranslationGivesNoFindingAndAMissingModuleOnlyAWarning) {
  harness::Tool tool;
  CheckSetup s;
  s.menuex = false;
  ASSERT_TRUE(s.Build("sound.rc"));
  harness::Tool::Result r = s.Run(tool, s.lng);
  EXPECT_EQ(r.out, Start(s, "folder", s.lng) +
                       "\r\nChecked 1 modules: 0 errors, 0 warnings; 22 of 25 texts translated (88.0%), 3 untranslated, "
                       "0 missing\r\nSuccessfully created `" + harness::ShownPath(s.reports) + "'\r\n" + End(s, "folder"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(s.Report()["modules"][0]["findings"], Json::array());

  ASSERT_TRUE(harness::BuildResourceDll(Fixture("module.rc"), s.install + "/plugins/new.dll"));
  r = s.Run(tool, s.lng);
  EXPECT_NE(r.out.find("\r\n<<<<< Checking plugins/new.dll against (no language file) >>>>>\r\n"
                       "warning missing MODULE: no language file new.lng found\r\n"),
            std::string::npos) << r.out;
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(s.Report()["modules"][1]["language_file"], nullptr);
  // /nomsgs silences the console, not the exit code.
  const harness::EnvOverride temp("TMPDIR", s.tmp.c_str());
  r = tool.RunFull({s.install, "/check", s.lng, "/folder=" + s.reports, "/nomsgs"});
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.status, 0);
}

TEST(CheckCommand, PageShowsSummaryBarsAndMarkedFindingsInAHeadlessBrowser) {
  if (harness::Shell("command -v chromium >/dev/null") != 0) GTEST_SKIP() << "chromium is not installed";
  harness::Tool tool;
  CheckSetup s;
  s.menuex = false;
  ASSERT_TRUE(s.Build("faulty.rc"));
  s.Run(tool, s.lng);
  std::string dom;
  ASSERT_EQ(harness::Shell("timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
                           "--disable-background-networking --disable-component-update --disable-sync --user-data-dir=" +
                               Quote(s.dir.Sub("profile")) + " --dump-dom " + Quote("file://" + s.reports + "/check.html") +
                               " 2>/dev/null",
                           &dom),
            0);
  EXPECT_NE(dom.find("<tr><th>Errors</th><td class=\"num\">9</td></tr>"), std::string::npos) << dom;
  EXPECT_NE(dom.find("<td class=\"num\">76.0% of 25 texts</td>"), std::string::npos);
  EXPECT_NE(dom.find("<span class=\"fill\" style=\"display:block;width:76.0%\"></span></span> 76.0%"), std::string::npos);
  // The translation's hotkey and conversions marked; the hostile text is text.
  EXPECT_NE(dom.find("Ö&amp;<mark class=\"hotkey\">f</mark>fnen..."), std::string::npos);
  EXPECT_NE(dom.find("&lt;script&gt;<span class=\"conv\">%s</span>&lt;/script&gt; &amp; mehr"), std::string::npos);
  EXPECT_EQ(dom.find("<script"), std::string::npos);
  // Errors first.
  EXPECT_LT(dom.rfind("<tr class=\"error\">"), dom.find("<tr class=\"warning\">"));
}

TEST(CheckCommand, BadInputGetsAMessageAndExitCode1) {
  harness::Tool tool;
  CheckSetup s;
  s.menuex = false;
  ASSERT_TRUE(s.Build("sound.rc"));
  const std::string sound = harness::ReadFile(s.lng + "/ui.lng");
  // Hostile names are skipped; a language file that is no module is unreadable.
  ASSERT_TRUE(difftest::MakeZip(s.pack, {{"../evil.lng", sound}, {"ui.lng", "not a module"}}));
  harness::Tool::Result r = s.Run(tool, s.pack);
  EXPECT_NE(r.out.find("skipping ../evil.lng: its path leads outside the target folder\r\n"), std::string::npos);
  EXPECT_NE(r.out.find("error unreadable MODULE: the language file cannot be read as a PE module\r\n"),
            std::string::npos) << r.out;
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(harness::Exists(s.dir.Sub("evil.lng")));

  // A damaged entry ends the check before any report is written.
  const std::string damaged = s.dir.Sub("damaged.lgp");
  ASSERT_TRUE(difftest::MakeZip(damaged, {{"ui.lng", sound, false, false}}));
  std::string bytes = harness::ReadFile(damaged);
  bytes[bytes.find("MZ") + 100] ^= 0x55;
  harness::WriteFile(damaged, bytes);
  const std::string none = s.dir.Sub("none");
  r = s.Run(tool, damaged, none);
  EXPECT_EQ(r.out, Start(s, "language pack", damaged) + "error -105 with zipfile in unzCloseCurrentFile\r\n" +
                       "The language pack (" + harness::ShownPath(damaged) + ") is damaged, aborting\r\n");
  EXPECT_EQ(r.status, 1);
  harness::WriteFile(damaged, "PK not a zip");
  r = s.Run(tool, damaged, none);
  EXPECT_NE(r.out.find("Unable to unpack the language pack (" + harness::ShownPath(damaged) + "), aborting\r\n"),
            std::string::npos);
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(harness::Exists(none));

  EXPECT_EQ(s.Run(tool, s.install + "/ui.dll", none).out,
            "Invalid file passed to check against. Exiting now...\r\n");
  EXPECT_EQ(s.Run(tool, s.dir.Sub("absent.lgp")).status, 1);
  EXPECT_TRUE(tool.windows || s.TmpEmpty());  // Wine takes its own temporary folder
}
