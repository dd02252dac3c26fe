// The process command line. POSIX hands a program an argument vector; the
// line the tool tokenises is rebuilt from it: arguments joined by single
// spaces, an argument that is empty or holds a space enclosed in double
// quotes, every other argument as it stands.
#pragma once

#include <vector>

#include "platform/text.h"

WString CommandLineFromArgs(const std::vector<WString>& args);
std::vector<WString> ArgsFromMain(int argc, char** argv);
