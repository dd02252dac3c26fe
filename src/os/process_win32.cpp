#include "os/process.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "os/win32.h"

void PrepareProcess() {
  // A missing disk, a crash or a file that cannot be opened is reported as
  // an error of the call, never in a dialog box that waits for a user.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  // Standard output passes "\r\n" as it stands (no "\r\r\n").
  _setmode(_fileno(stdout), _O_BINARY);
}

int UsableProcessorCount() {
  DWORD_PTR process = 0, system = 0;
  if (::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system) && process != 0) {
    int count = 0;
    for (; process != 0; process &= process - 1) ++count;
    return count;
  }
  SYSTEM_INFO info;
  ::GetSystemInfo(&info);
  return info.dwNumberOfProcessors ? static_cast<int>(info.dwNumberOfProcessors) : 1;
}
