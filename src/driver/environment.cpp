#include "driver/environment.h"

#include "os/files.h"
#include "os/process.h"

namespace {

// The environment variable `name` as a whole decimal number from 1 to
// `max`; false when it is unset or holds anything else.
bool EnvironmentNumber(const WString& name, int max, int& number) {
  WString value;
  if (!GetEnvVar(name, value) || value.empty() || value.size() > 9) return false;
  int parsed = 0;
  for (const char16_t c : value) {
    if (c < u'0' || c > u'9') return false;
    parsed = parsed * 10 + (c - u'0');
  }
  if (parsed < 1 || parsed > max) return false;
  number = parsed;
  return true;
}

}  // namespace

int BuildWorkerCount() {
  int workers = 0;
  return EnvironmentNumber(u"PACKSMITH_WORKERS", 9999, workers) ? workers : UsableProcessorCount();
}

int FolderLockWaitMs(int usualMs) {
  int waitMs = 0;
  return EnvironmentNumber(u"PACKSMITH_LOCK_WAIT_MS", 3600000, waitMs) ? waitMs : usualMs;
}
