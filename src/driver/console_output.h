// Console messages. OutputMessage writes through the run's Messages, which
// "/nomsgs" closes; PrintDirect writes the same way without it (help,
// banner).
#pragma once

#include "os/console.h"
#include "text/format.h"

// Messages held back to be told later, at their place in list order: those
// of a step that runs ahead of steps whose messages come first, or on a
// thread of its own. Narrow messages are held as the console writes them
// (ConsoleWriteAnsi widens them the same way).
struct HeldMessages {
  WString text;
  void Hold(WStringView message) { text.append(message); }
  void HoldNarrow(std::string_view message) { text.append(AnsiToWide(message)); }
  bool empty() const { return text.empty(); }
};

// Whether a run's messages are shown: read from its command line once and
// handed to every step that prints one. A step whose messages are to be
// told later is handed a copy that holds them in `held`.
struct Messages {
  bool enabled = true;
  HeldMessages* held = nullptr;
};

// Text that is already a message (no format), through the same gate.
inline void OutputText(const Messages& messages, WStringView text) {
  if (!messages.enabled) return;
  if (messages.held)
    messages.held->Hold(text);
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
