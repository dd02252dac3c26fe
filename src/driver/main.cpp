#include "driver/invocation.h"
#include "os/command_line.h"
#include "os/process.h"

int main(int argc, char** argv) {
  PrepareProcess();
  const CommandLine command = ProcessCommandLine(argc, argv);
  return RunPacksmith(command.line, command.args);
}
