#include "driver/flows.h"

// Placeholder until this command is built.
void ZipupCommand(const WString&, Cursor) {}
