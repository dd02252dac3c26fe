// The /build command: one module's language file and hash text file.
#include "driver/cleanup.h"
#include "driver/console_output.h"
#include "driver/flows.h"
#include "driver/path_routines.h"
#include "lngfile/conversion.h"
#include "lngfile/language_file.h"
#include "os/paths.h"

namespace {

bool StartsWith(WStringView text, WStringView prefix) { return text.substr(0, prefix.size()) == prefix; }

}  // namespace

void BuildCommand(const Messages& messages, const WString& modulePath, const WString& folder, const WString&,
                  const WString& base, Cursor tail) {
  WString outputFolder;
  Cursor cursor = SelectOutputFolder(tail, outputFolder, &folder, OutputKind::LangFiles);
  bool existed = false;
  if (!EnsureOutputFolder(messages, outputFolder, existed)) return;

  // The options, each optional, each at its own position in this order.
  WString outputBase = base;
  WString token = CopyToken(cursor);
  if (StartsWithAsciiNoCase(token, u"/folder=")) {
    cursor = NextToken(SkipSpaces(cursor));
    token = CopyToken(cursor);
  }
  if (StartsWith(token, u"/filename=")) {
    outputBase = token.substr(10);
    cursor = NextToken(SkipSpaces(cursor));
    token = CopyToken(cursor);
  }
  BuildOptions options;
  if (StartsWith(token, u"/special")) {
    options.specialBuild = true;
    cursor = NextToken(SkipSpaces(cursor));
  }
  WString language;
  ReadLanguageOption(cursor, language, u"/special", u"", options.conversionMode);

  if (existed && !DeleteBuildOutputs(messages, outputFolder, outputBase, false)) {
    OutputMessage(messages, u"Error when cleaning folder - please check the files / folder\r\n");
    return;
  }
  const WString hashFile = JoinPath(outputFolder, outputBase + u".txt");
  OutputMessage(messages, u"Starting hash file generation\r\n");
  OutputMessage(messages, u"%s %s\r\n", hashFile, modulePath);
  if (!BuildLanguageFile(messages, modulePath, hashFile, outputFolder, outputBase, options)) {
    OutputMessage(messages, u"Aborting\r\n");
    return;
  }
  OutputMessage(messages, u"Language file (%s.lng) generated\r\n", outputBase);
  OutputMessage(messages, u"Completed language file generation\r\n");
}
