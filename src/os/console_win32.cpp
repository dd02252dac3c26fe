// Standard output on Windows. A console gets the UTF-16 text through
// WriteConsoleW, so every character shows whatever the console's code page;
// a pipe or a file gets the same UTF-8 bytes as on Linux, through the C
// runtime's buffer in binary mode, so that "\r\n" is never made "\r\r\n".
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "os/console.h"
#include "os/win32.h"

namespace {

void WriteToConsole(HANDLE handle, WStringView text) {
  // What the buffer holds goes first, so the order stays as written.
  std::fflush(stdout);
  constexpr size_t kChunk = 8192;
  while (!text.empty()) {
    size_t count = text.size() < kChunk ? text.size() : kChunk;
    // Never split a surrogate pair between two writes.
    if (count < text.size() && text[count - 1] >= 0xD800 && text[count - 1] <= 0xDBFF) --count;
    DWORD written = 0;
    if (!::WriteConsoleW(handle, text.data(), static_cast<DWORD>(count), &written, nullptr) || written == 0) return;
    text.remove_prefix(written);
  }
}

}  // namespace

// Where standard output goes is looked at on every write (it is cheap next
// to the write), so a redirection made meanwhile is followed.
void ConsoleWrite(WStringView text) {
  const HANDLE handle = ::GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (handle != INVALID_HANDLE_VALUE && handle != nullptr && ::GetConsoleMode(handle, &mode)) {
    WriteToConsole(handle, text);
    return;
  }
  const std::string bytes = WideToUtf8(text);
  _setmode(_fileno(stdout), _O_BINARY);
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

void ConsoleWriteAnsi(std::string_view text) { ConsoleWrite(AnsiToWide(text)); }

void ConsoleFlush() { std::fflush(stdout); }
