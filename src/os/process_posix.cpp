#include "os/process.h"

#include <sched.h>

#include <cerrno>
#include <csignal>
#include <thread>

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

int UsableProcessorCount() {
  // A set large enough for any machine's processor numbers, grown until the
  // kernel's mask fits.
  for (int size = 1024; size <= (1 << 20); size *= 2) {
    cpu_set_t* set = CPU_ALLOC(size);
    if (!set) break;
    const size_t bytes = CPU_ALLOC_SIZE(size);
    CPU_ZERO_S(bytes, set);
    const bool read = ::sched_getaffinity(0, bytes, set) == 0;
    const int count = read ? CPU_COUNT_S(bytes, set) : 0;
    CPU_FREE(set);
    if (read) return count > 0 ? count : 1;
    if (errno != EINVAL) break;
  }
  const unsigned processors = std::thread::hardware_concurrency();
  return processors ? static_cast<int>(processors) : 1;
}
