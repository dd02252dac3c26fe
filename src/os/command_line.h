// The process command line: the line the tool tokenises (program name
// first) and the argument vector (for the "/nomsgs" test).
//
// POSIX hands a program an argument vector, not a line; the line is rebuilt
// from it (CommandLineFromArgs). Windows hands it the line: GetCommandLineW's
// own, with the vector the platform splits from it.
#pragma once

#include <vector>

#include "text/text.h"

struct CommandLine {
  WString line;
  std::vector<WString> args;
};
// From main's arguments on POSIX; Windows reads its own and ignores them.
CommandLine ProcessCommandLine(int argc, char** argv);

// Arguments joined by single spaces, an argument that is empty or holds a
// space enclosed in double quotes, every other argument as it stands.
WString CommandLineFromArgs(const std::vector<WString>& args);
