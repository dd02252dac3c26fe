// Console messages. OutputMessage is the one gate that "/nomsgs" closes;
// PrintDirect writes the same way without the gate (help, banner).
#pragma once

#include "platform/console.h"
#include "platform/format.h"

extern bool g_messagesEnabled;

template <class... Args>
void OutputMessage(WStringView format, const Args&... args) {
  if (g_messagesEnabled) ConsoleWrite(Format(format, args...));
}

template <class... Args>
void PrintDirect(WStringView format, const Args&... args) {
  ConsoleWrite(Format(format, args...));
}

// The zip writer's and extraction's narrow messages: never silenced.
template <class... Args>
void PrintNarrow(std::string_view format, const Args&... args) {
  ConsoleWriteAnsi(FormatNarrow(format, args...));
}
