#include "driver/invocation.h"
#include "platform/command_line.h"

int main(int argc, char** argv) {
  const auto args = ArgsFromMain(argc, argv);
  return RunPacksmith(CommandLineFromArgs(args), args);
}
