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
