#include "driver/flows.h"

// Placeholder until this command is built.
void LgpCommand(const WString&, const WString&, const WString&, Cursor) {}
