#include "os/command_line.h"

WString CommandLineFromArgs(const std::vector<WString>& args) {
  WString line;
  for (size_t i = 0; i < args.size(); ++i) {
    if (i) line.push_back(u' ');
    const WString& a = args[i];
    if (a.empty() || a.find(u' ') != WString::npos) {
      line.push_back(u'"');
      line += a;
      line.push_back(u'"');
    } else {
      line += a;
    }
  }
  return line;
}
