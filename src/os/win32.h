// The Windows side of the platform layer: the one header that includes
// <windows.h>, and the small bridges between our UTF-16 strings and the
// wide strings of the Win32 API.
//
// Never include this (or <windows.h>) where pe/resources.h is seen:
// its macros (UpdateResource, FindResource, LoadString, ...) would rename
// our own functions.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

#include "text/text.h"

// wchar_t is 16 bits on Windows: a UTF-16 string is a wide string.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

inline const wchar_t* WinStr(const WString& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
inline wchar_t* WinBuffer(WString& text) { return reinterpret_cast<wchar_t*>(text.data()); }
inline WString FromWin(const wchar_t* text, size_t length) {
  return WString(reinterpret_cast<const char16_t*>(text), length);
}
inline WString FromWin(const wchar_t* text) { return WString(reinterpret_cast<const char16_t*>(text)); }

// A handle closed at the end of its scope.
class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedHandle() { Close(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE Get() const { return handle_; }
  // Closes now; false (with GetLastError) when the close fails.
  bool Close() {
    const bool ok = !Valid() || ::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE handle_;
};
