#include <cstdio>

#include "os/console.h"

void ConsoleWrite(WStringView text) {
  const std::string bytes = WideToUtf8(text);
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

void ConsoleWriteAnsi(std::string_view text) { ConsoleWrite(AnsiToWide(text)); }

void ConsoleFlush() { std::fflush(stdout); }
