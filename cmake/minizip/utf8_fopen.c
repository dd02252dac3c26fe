/* fopen for UTF-8 names on Windows: the name and the mode are converted to
   UTF-16 and opened with _wfopen, so no name is limited to the ANSI code
   page. A name that is not valid UTF-8 is refused. */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

static wchar_t* Widen(const char* text) {
  int count = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, NULL, 0);
  if (count <= 0) return NULL;
  wchar_t* wide = (wchar_t*)malloc(sizeof(wchar_t) * (size_t)count);
  if (wide && MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, wide, count) != count) {
    free(wide);
    return NULL;
  }
  return wide;
}

FILE* packsmith_utf8_fopen(const char* name, const char* mode) {
  FILE* file = NULL;
  wchar_t* wideName = Widen(name);
  wchar_t* wideMode = Widen(mode);
  if (wideName && wideMode) file = _wfopen(wideName, wideMode);
  free(wideName);
  free(wideMode);
  return file;
}
