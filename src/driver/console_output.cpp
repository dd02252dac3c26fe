#include "driver/console_output.h"

bool g_messagesEnabled = true;
