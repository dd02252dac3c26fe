#include "driver/ordered_workers.h"

#include "os/files.h"

int BuildWorkerCount() {
  WString value;
  if (GetEnvVar(u"PACKSMITH_WORKERS", value) && !value.empty() && value.size() <= 4) {
    int number = 0;
    bool digits = true;
    for (char16_t c : value) {
      if (c < u'0' || c > u'9') digits = false;
      else number = number * 10 + (c - u'0');
    }
    if (digits && number >= 1) return number;
  }
  const unsigned processors = std::thread::hardware_concurrency();
  return processors ? static_cast<int>(processors) : 1;
}
