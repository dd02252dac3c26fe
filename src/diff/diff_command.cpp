#include "driver/flows.h"

// Placeholder until this command is built.
void DiffCommand(const WString&, const WString&, Cursor) {}
