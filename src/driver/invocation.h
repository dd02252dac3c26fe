// What the entry point derives from the command line and hands a flow.
#pragma once

#include <vector>

#include "driver/tokenizer.h"
#include "text/text.h"

struct Invocation {
  WString path;     // T1 without quotes, resolved
  WString folder;   // path if it is a folder, else its parent
  WString name;     // last component of path; for /lgp the whole path
  WString base;     // name without its extension; for /lgp the whole path
  Cursor command = nullptr;  // start of T2
  Cursor tail = nullptr;     // start of T3
};

// The Invocation of a resolved path: `name` and `base` from its last
// component (the whole path for /lgp), `folder` the path itself when it is
// a folder, else its parent.
Invocation DeriveInvocation(const WString& path, Cursor command, Cursor tail);

// The whole run: `line` is the command line (program name first), `args`
// the argument vector (only its last element is looked at, for /nomsgs).
// Returns the exit code: 0, or what /check says.
int RunPacksmith(const WString& line, const std::vector<WString>& args);
