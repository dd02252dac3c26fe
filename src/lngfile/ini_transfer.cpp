#include "driver/flows.h"

// Placeholder until this command is built.
void IniTxCommand(const WString&, const WString&) {}
