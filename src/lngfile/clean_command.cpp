#include "driver/flows.h"

// Placeholder until this command is built.
void CleanCommand(const WString&) {}
