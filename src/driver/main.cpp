#include <exception>
#include <new>
#include <string>

#include "driver/invocation.h"
#include "os/command_line.h"
#include "os/console.h"
#include "os/process.h"

namespace {

// The last word of a run that a failure ended before its command could
// tell it: after everything printed so far, and never silenced, since
// nothing else would say why the run stopped.
void TellUnhandled(const char* text, const char* detail = nullptr) {
  try {
    ConsoleWriteAnsi(detail ? std::string(text) + ": " + detail + "\r\n" : std::string(text) + "\r\n");
    ConsoleFlush();
  } catch (...) {
    // Not even that could be printed; the exit code is 0 all the same.
  }
}

}  // namespace

int main(int argc, char** argv) {
  try {
    PrepareProcess();
    const CommandLine command = ProcessCommandLine(argc, argv);
    return RunPacksmith(command.line, command.args);
  } catch (const std::bad_alloc&) {
    TellUnhandled("Error allocating memory");
  } catch (const std::exception& error) {
    TellUnhandled("Unexpected error", error.what());
  } catch (...) {
    TellUnhandled("Unexpected error");
  }
  return 0;
}
