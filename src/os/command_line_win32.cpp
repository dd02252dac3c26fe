#include "os/win32.h"

#include <shellapi.h>

#include "os/command_line.h"

// The line exactly as the process got it; main's narrow arguments (in the
// ANSI code page) are not used. The vector is the system's own split of the
// same line, so "/nomsgs" is seen as Windows programs see their arguments.
CommandLine ProcessCommandLine(int, char**) {
  CommandLine result;
  const wchar_t* line = ::GetCommandLineW();
  result.line = FromWin(line);
  int count = 0;
  if (wchar_t** args = ::CommandLineToArgvW(line, &count)) {
    for (int i = 0; i < count; ++i) result.args.push_back(FromWin(args[i]));
    ::LocalFree(args);
  }
  return result;
}
