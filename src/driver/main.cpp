#include "driver/invocation.h"
#include "platform/command_line.h"
#include "platform/process.h"

int main(int argc, char** argv) {
  PrepareProcess();
  const CommandLine command = ProcessCommandLine(argc, argv);
  return RunPacksmith(command.line, command.args);
}
