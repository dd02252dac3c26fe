#include "driver/flows.h"

// Placeholder until this command is built.
void BuildCommand(const WString&, const WString&, const WString&, const WString&, Cursor) {}
