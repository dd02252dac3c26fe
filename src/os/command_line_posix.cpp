#include "os/command_line.h"

CommandLine ProcessCommandLine(int argc, char** argv) {
  CommandLine result;
  for (int i = 0; i < argc; ++i) result.args.push_back(NativeToWide(argv[i] ? argv[i] : ""));
  result.line = CommandLineFromArgs(result.args);
  return result;
}
