#include "driver/invocation.h"
#include "platform/command_line.h"
#include "platform/process.h"

int main(int argc, char** argv) {
  PrepareProcess();
  const auto args = ArgsFromMain(argc, argv);
  return RunPacksmith(CommandLineFromArgs(args), args);
}
