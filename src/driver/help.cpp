#include "driver/help.h"

#include "build_info.h"
#include "driver/console_output.h"
#include "text/text.h"

namespace {

// The help texts are format strings printed with no arguments: every "%%"
// in them comes out as one "%".
const char16_t kHelpBuild[] =
    u"/build\tCreates a lng file from the passed file\r\n"
    u"\te.g. packsmith.exe \"Release\\gen_test.dll\" /build\r\n"
    u"\r\n"
    u"\tThis also accepts /folder=%%path%% to specify where the generated lng\r\n"
    u"\tand hash txt files to saved into a different folder\r\n"
    u"\te.g. /folder=Release\\Language\r\n"
    u"\r\n"
    u"\tThis also accepts /fileame=%%filname%% (no need to specify an extension\r\n"
    u"\tas .lng will be added) to allow for a different name to be used when\r\n"
    u"\tcreating the lng and hash txt files with this command.\r\n"
    u"\r\n"
    u">>>>>>>\tpacksmith %%file_path%% /build [/folder=%%output_path%%] [/filename=%%filename%%]\r\n"
    u"\r\n"
    u"\r\n";

const char16_t kHelpClear[] =
    u"/clear\tWill remove the HASH section (if one exists) from the file passed\r\n"
    u"\te.g. packsmith.exe \"Release\\gen_test.dll\" /clear\r\n"
    u"\r\n"
    u">>>>>>>\tpacksmith %%file_path%% /clear\r\n"
    u"\r\n"
    u"\r\n";

const char16_t kHelpClean[] =
    u"/clean\tWill remove the HASH section (if one exists) from the file passed\r\n"
    u"\te.g. packsmith.exe \"Release\\gen_test.dll\" /clean\r\n"
    u"\r\n"
    u">>>>>>>\tpacksmith %%file_path%% /clean\r\n"
    u"\r\n"
    u"\r\n";

const char16_t kHelpDiff[] =
    u"/diff\tWill take the passed Nuvexa folder and compare it against the passed\r\n"
    u"\tlgp or another Nuvexa folder to create a differential of the resources\r\n"
    u"\te.g. packsmith.exe %%nuvexadir%% /diff nuvexa-en-us.lgp\r\n"
    u"\tor   packsmith.exe %%nuvexadir%% /diff %%old_nuvexa_dir%%\r\n"
    u"\r\n"
    u"\tAlong with the console output, txt files for each file where there is\r\n"
    u"\ta difference will be saved in a `Diffs' folder where this tool is run\r\n"
    u"\tfrom.\r\n"
    u"\r\n"
    u"\tWhen passing a lgp, this compares only the .exe, .dll and .nxs files in\r\n"
    u"\tthe folder and .lng files in the lgp\r\n"
    u"\te.g. %%nuvexadir%%\\nuvexa.exe against nuvexa.lng\r\n"
    u"\r\n"
    u"\tWhen passing a folder, this compares only .exe, .dll and .nxs files\r\n"
    u"\tin the folder with the matching file in the second passed folder\r\n"
    u"\te.g. %%nuvexadir%%\\nuvexa.exe against %%folderdir%%\\nuvexa.exe\r\n"
    u"\r\n"
    u"\tThis also accepts a /folder=%%path%% to specify where the generated\r\n"
    u"\tdifferential txt files will be saved to if `Diffs' is not appropriate\r\n"
    u"\te.g. /folder=Lang\\Differences\r\n"
    u"\r\n"
    u"\tThis also accepts /exclude_img which will be used when a lgp is passed\r\n"
    u"\tfor comparison and makes the differential ignore known image resources.\r\n"
    u"\r\n"
    u">>>>>>>\tpacksmith %%folder_path%% /diff %%lgp_or_folder_path%% [/folder=%%output_path%%] [/exclude_images]\r\n"
    u"\r\n"
    u"\r\n";

const char16_t kHelpIniTx[] =
    u"/ini_tx\tWill merge an ini file into the stringtable block of the passed lng\r\n"
    u"\tfile for the strings which already exist in the stringtable where the\r\n"
    u"\tini entries are added in sequential order as found though missing items\r\n"
    u"\tin the ini file should be correctly skipped as applicable\r\n"
    u"\te.g. packsmith.exe \"test\\gen_test.lng\" /ini_tx \"test\\test.ini\"\r\n"
    u"\r\n"
    u">>>>>>>\tpacksmith %%lng_file_path%% /ini_tx %%ini_path%%\r\n"
    u"\r\n"
    u"\r\n";

const char16_t kHelpLgp[] =
    u"/lgp\tAttempts to make a complete lgp from the passed folder. By default the\r\n"
    u"\tlgp is generated as `Nuvexa-en-us-<nuvexa_ver>.lgp' where <nuvexa_ver>\r\n"
    u"\tis generated from the nuvexa.exe if present otherwise it will show\r\n"
    u"\t`_no_version_'. This also produces `Nuvexa-en-us-hash-<nuvexa_ver>.zip'\r\n"
    u"\twhich contains text file copies of the HASH sections which were created\r\n"
    u"\t(see /hashit for the use of this zip file).\r\n"
    u"\r\n"
    u"\tThis command can also accept a language identifier to adjust the name\r\n"
    u"\tof the lgp produced\r\n"
    u"\te.g. packsmith.exe %%nuvexadir%% /lgp en-GB  creates\r\n"
    u"\t     Nuvexa-en-GB-5_5_8_1337.lgp and Nuvexa-en-GB-hash-5_5_8_1337.zip\r\n"
    u"\r\n"
    u"\tThis also accepts a /folder=%%path%% to allow for the generated the lng,\r\n"
    u"\thash txt, lgp and hash zip files to be saved into a different folder.\r\n"
    u"\r\n"
    u"\tThis also accepts a /use_nv_ver which appends the Nuvexa version on the\r\n"
    u"\tend of the folder the files are saved into e.g. `LangFiles_5_5_8_1337'.\r\n"
    u"\r\n"
    u"\tDue to how language packs can require additional files to be included\r\n"
    u"\talong with the main lng files, the following folders are supported to\r\n"
    u"\thold additional files to be included and is assumed to be in the same\r\n"
    u"\tdirectory as packsmith when run.\r\n"
    u"\r\n"
    u"\r\n"
    u"\tfreeform - adds any files found but mainly for skin usage\r\n"
    u"\r\n"
    u"\tdocs - contains *.txt files & / or atf.htm and is typically used for any\r\n"
    u"\t       readme and associated help files\r\n"
    u"\r\n"
    u"\tini - contains *.ini files and is typically for older 3rd party plugins\r\n"
    u"\r\n"
    u"\tdll - contains *.dll files for inclusion e.g. CDDB dll localisation.\r\n"
    u"\r\n"
    u"\textralng - contains *.lng files for additional plugin support not\r\n"
    u"\t\t   automatically built (can be required in some cases).\r\n"
    u"\r\n"
    u"\r\n"
    u"\tAll files are added to the root of the lgp expect for the contents of\r\n"
    u"\tthe `Freeform' folder which are added to `Freeform' folder in the lgp.\r\n"
    u"\r\n"
    u"\tAdditional commands are /copy and /install (in that order) which will\r\n"
    u"\tcopy the created lgp to the `Lang' folder of the associated Nuvexa\r\n"
    u"\tinstall and can set it as the current language pack (as long as Nuvexa\r\n"
    u"\tis closed).\r\n"
    u"\r\n"
    u"\tNotes: 1) When running this command you need to ensure you have folder\r\n"
    u"\t          write permission for the passed Nuvexa folder otherwise most\r\n"
    u"\t          of the lgp build process is likely to fail.\r\n"
    u"\r\n"
    u"\t       2) If /folder is not specified then this command makes a working\r\n"
    u"\t          folder named `LangFiles' in the folder this tool is run from.\r\n"
    u"\t          In all cases, any files produced are saved in the output\r\n"
    u"\t          folder used (either `LangFiles' or the /folder path).\r\n"
    u"\r\n"
    u"\t       3) The intermediate files generated are removed the next time\r\n"
    u"\t          this command is run when using the same output folder later.\r\n"
    u"\t          These files are left in case post build processing is needed.\r\n"
    u"\r\n"
    u">>>>>>>\tpacksmith %%nuvexa_path%% /lgp %%lgp_or_folder_path%% [lng_indent] [/folder=%%output_path%%] [/use_nv_ver] [/compress] [/copy] [/install]\r\n"
    u"\r\n"
    u"\r\n";

const char16_t kHelpZipup[] =
    u"/zipup\tThis will attempt to build a lgp from the passed folder and will add\r\n"
    u"\tonly lng files found in the passed folder.\r\n"
    u"\te.g. packsmith.exe %%pre_built_folder%% /zipup name_of_lgp.lgp\r\n"
    u"\r\n"
    u"\tThe folder and file can either be absolute or relative paths so setting\r\n"
    u"\tthe lgp as mylgp.lgp would create it in the folder packsmith is run\r\n"
    u"\tfrom but setting it as C:\\Lang\\mylgp.lgp would create it as passed.\r\n"
    u"\r\n"
    u"\tThere is also a /enum command which allows for adding files other than\r\n"
    u"\tlng files in the passed folder into the lgp. This command follows the\r\n"
    u"\tfolder structure as detailed with the additional folders for the /lgp\r\n"
    u"\tcommand. The folders are assumed to be in the first folder passed.\r\n"
    u"\r\n"
    u"\tNote: This will replace the lgp if it already exists so be careful!\r\n"
    u"\r\n"
    u">>>>>>>\tpacksmith %%folder_path%% /zipup %%output_file_path%% [/enum]\r\n"
    u"\r\n"
    u"\r\n";

const char16_t kHelpCheck[] =
    u"/check\tWill take the passed Nuvexa folder and check the translations in the\r\n"
    u"\tpassed lgp or folder of lng files against the texts of its modules\r\n"
    u"\te.g. packsmith.exe %%nuvexadir%% /check nuvexa-de-de.lgp\r\n"
    u"\tor   packsmith.exe %%nuvexadir%% /check %%lng_folder%%\r\n"
    u"\r\n"
    u"\tErrors: printf-style conversions (%%s, %%d, ...) that differ in number,\r\n"
    u"\ttype or order, a lost & hotkey marker or more than one, string 65535\r\n"
    u"\tthat is not the module's, and files or resources that cannot be read.\r\n"
    u"\tWarnings: two items of a menu or controls of a dialog with the same\r\n"
    u"\thotkey letter, a lost shortcut text after the tab, spaces at the start\r\n"
    u"\tor end and line breaks that differ, and missing lng files or texts.\r\n"
    u"\r\n"
    u"\tAlong with the console output, check.json and check.html are saved in\r\n"
    u"\ta `Checks' folder where this tool is run from.\r\n"
    u"\r\n"
    u"\tThis also accepts a /folder=%%path%% to specify where the reports will\r\n"
    u"\tbe saved to if `Checks' is not appropriate\r\n"
    u"\r\n"
    u"\tThe exit code is 1 when an error was found (or the check could not be\r\n"
    u"\tdone), otherwise 0.\r\n"
    u"\r\n"
    u">>>>>>>\tpacksmith %%folder_path%% /check %%lgp_or_folder_path%% [/folder=%%output_path%%]\r\n"
    u"\r\n"
    u"\r\n";

const char16_t kHelpPoExport[] =
    u"/po_export\tWrites the texts of the passed Nuvexa folder as gettext PO files\r\n"
    u"\tto translate in a PO editor or on a translation platform: one file for\r\n"
    u"\teach module with texts, each text keyed by its resource and identifier\r\n"
    u"\te.g. packsmith.exe %%nuvexadir%% /po_export nuvexa-de-de.lgp\r\n"
    u"\tor   packsmith.exe %%nuvexadir%% /po_export\r\n"
    u"\r\n"
    u"\tWith a lgp or a folder of lng files, the <module>.po files hold their\r\n"
    u"\ttranslations; without one, <module>.pot templates hold the texts alone.\r\n"
    u"\tThe files are saved in a `Po' folder where this tool is run from, or in\r\n"
    u"\tthe folder passed with /folder=%%path%%.\r\n"
    u"\r\n"
    u">>>>>>>\tpacksmith %%nuvexa_path%% /po_export [%%lgp_or_folder_path%%] [/folder=%%output_path%%]\r\n"
    u"\r\n"
    u"\r\n";

const char16_t kHelpPoImport[] =
    u"/po_import\tMakes a complete lgp from the passed Nuvexa folder as /lgp does, with\r\n"
    u"\tthe translations of the passed folder of PO files (<module>.po) in place\r\n"
    u"\tof the texts of each module\r\n"
    u"\te.g. packsmith.exe %%nuvexadir%% /po_import %%po_folder%% de-DE\r\n"
    u"\r\n"
    u"\tOnly translated entries that are not fuzzy are used. An entry whose key\r\n"
    u"\tthe module no longer has, and a translation whose printf conversions or\r\n"
    u"\taccelerator markers differ from its source, are named and left out; a\r\n"
    u"\tPO file that cannot be read is named with its line and its module keeps\r\n"
    u"\tits texts. The language identifier only names the lgp; /folder=%%path%%\r\n"
    u"\tand the further options are those of /lgp.\r\n"
    u"\r\n"
    u">>>>>>>\tpacksmith %%nuvexa_path%% /po_import %%po_folder%% [lng_indent] [/folder=%%output_path%%]\r\n"
    u"\r\n"
    u"\r\n";

const char16_t kHelpMiscellaneous[] =
    u"\r\n"
    u"Miscellaneous commands:\r\n"
    u"\r\n"
    u"/nomsgs\tAdd this to the end of any commands to not show build output unless an\r\n"
    u"\tinvalid command is passed or when showing this help message.\r\n"
    u"\r\n"
    u"/help\tShows this message (which is also shown with invalid parameters).\r\n"
    u"or\tIf you add a command on the end then the help message just for the\r\n"
    u"/?\tcommand will be shown e.g. `/help /lgp' to get the help on using /lgp\r\n"
    u"\r\n"
    u"\r\n"
    u"\r\n"
    u"Additional Notes:\r\n"
    u"\r\n"
    u"1) When a lng file is built, any MENUEX resources found will be verified to\r\n"
    u"   ensure the menu item identifiers are correct as (at least with Resource\r\n"
    u"   Hacker) the HIWORD() of the menu item identifier may have been incorrectly\r\n"
    u"   set which can cause certain menu functions to fail with localised versions\r\n"
    u"   e.g. the `double size' menu item\r\n"
    u"\r\n"
    u"2) All of the file and folder handling works with absolute or relative paths\r\n"
    u"   allowing for greater flexibility in using this tool. If using relative paths\r\n"
    u"   then they are calculated relative to the folder this tool is run from.\r\n"
    u"\r\n"
    u"3) When run on Vista / Windows 7, this tool will request for elevation so that\r\n"
    u"   it can have the access needed to generate lng files, etc. Alternatively you\r\n"
    u"   can use an administrator command prompt to get the same write access level.\r\n";
struct HelpSection {
  const char16_t* word;
  const char16_t* text;
};

// Printed in this order; the lookup table below has its own order.
const HelpSection kHelpSections[] = {
    {u"/build", kHelpBuild}, {u"/clear", kHelpClear}, {u"/clean", kHelpClean}, {u"/diff", kHelpDiff},
    {u"/ini_tx", kHelpIniTx}, {u"/lgp", kHelpLgp},     {u"/zipup", kHelpZipup}, {u"/check", kHelpCheck},
    {u"/po_export", kHelpPoExport}, {u"/po_import", kHelpPoImport},
};

// The commands a help query is looked up in, and listed in this order when
// the query names none of them.
const char16_t* const kHelpCommandTable[] = {u"/build", u"/clear", u"/diff",      u"/ini_tx",    u"/lgp",
                                             u"/zipup", u"/clean", u"/check",     u"/po_export", u"/po_import"};

void PrintBanner() {
  PrintDirect(
      u"Packsmith v2.3 BETA 3\r\n"
      u"Built: %S\r\n"
      u"Written by the Packsmith developers\r\n"
      u"Latest version: see the Packsmith project's releases page\r\n"
      u"\r\n"
      u"\r\n",
      PACKSMITH_BUILD_TIME);
}

// The lookup is a prefix test: the query may go on after the command word
// (with more letters or further arguments).
bool QueryStartsWith(Cursor query, WStringView word) {
  for (size_t i = 0; i < word.size(); ++i)
    if (query[i] == 0 || AsciiLower(query[i]) != AsciiLower(word[i])) return false;
  return true;
}

bool IsKnownQuery(Cursor query) {
  for (const char16_t* word : kHelpCommandTable)
    if (QueryStartsWith(query, word)) return true;
  return false;
}

}  // namespace

void ShowHelp(Cursor query) {
  PrintBanner();
  const bool all = query == nullptr || *query == 0;
  if (!all && !IsKnownQuery(query)) {
    PrintDirect(
        u"Unable to show information about the queried command: `%s'\r\n"
        u"Please check you have passed a valid command to get help about.\r\n"
        u"The supported commands in this version of the tool are:\r\n\r\n",
        query);
    for (const char16_t* word : kHelpCommandTable) PrintDirect(u"%s\r\n", word);
    return;
  }
  // A query that passed the prefix lookup but is no whole command word
  // prints no section: the banner alone.
  for (const HelpSection& section : kHelpSections)
    if (all || MatchWord(query, section.word)) PrintDirect(section.text);
  if (all) PrintDirect(kHelpMiscellaneous);
}
