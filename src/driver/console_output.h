// Console messages. OutputMessage writes through the run's Messages, which
// "/nomsgs" closes; PrintDirect writes the same way without it (help,
// banner).
#pragma once

#include "os/console.h"
#include "text/format.h"

// Whether a run's messages are shown: read from its command line once and
// handed to every step that prints one. A step that runs ahead of a step
// whose messages come first has its own kept in `kept`, to be told after
// them.
struct Messages {
  bool enabled = true;
  WString* kept = nullptr;
};

// Text that is already a message (no format), through the same gate.
inline void OutputText(const Messages& messages, WStringView text) {
  if (!messages.enabled) return;
  if (messages.kept)
    messages.kept->append(text);
  else
    ConsoleWrite(text);
}

template <class... Args>
void OutputMessage(const Messages& messages, WStringView format, const Args&... args) {
  if (messages.enabled) OutputText(messages, Format(format, args...));
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
