#include "driver/help.h"

#include "build_info.h"
#include "driver/console_output.h"

void ShowHelp(Cursor query) {
  PrintDirect(u"Packsmith v2.3 BETA 3\r\nBuilt: %S\r\n\r\n\r\n", PACKSMITH_BUILD_TIME);
  (void)query;
}
