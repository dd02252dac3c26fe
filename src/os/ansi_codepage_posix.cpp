// The ANSI code page has no system setting here: it is Windows-1252, fixed.
#include "text/text.h"

WString AnsiToWide(std::string_view text) { return Cp1252ToWide(text); }

std::string WideToAnsi(WStringView text, bool* lossy) { return WideToCp1252(text, lossy); }
