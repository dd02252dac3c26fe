#include "os/process.h"

#include <csignal>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "os/files.h"

void PrepareProcess() {
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
  // The umask is read here, while this is the only thread (see
  // NewFilePermissions).
  static_cast<void>(NewFilePermissions());
#if defined(__GLIBC__)
  // The commands allocate and free buffers of a few hundred KiB for every
  // module (its bytes, its language file, a pair's report). Left to itself
  // glibc maps each from the kernel and returns it again, and the page
  // faults of refilling them cost more than the work on them: buffers stay
  // in the heap, and freed memory stays for the next module.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
}
