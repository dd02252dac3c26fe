#include "driver/console_output.h"
#include "driver/flows.h"
#include "driver/help.h"
#include "driver/invocation.h"
#include "driver/path_routines.h"
#include "platform/files.h"
#include "platform/paths.h"

Invocation DeriveInvocation(const WString& path, Cursor command, Cursor tail) {
  Invocation inv;
  inv.path = path;
  inv.command = command;
  inv.tail = tail;
  const bool lgp = MatchWord(command, u"/lgp");
  inv.name = lgp ? path : LastComponent(path);
  inv.base = lgp ? inv.name : RemoveExtension(inv.name);
  inv.folder = IsDirectory(path) ? path : ParentFolder(path);
  return inv;
}

namespace {

void Dispatch(const Invocation& inv) {
  const Cursor command = inv.command;
  const WString joined = JoinPath(inv.folder, inv.name);
  if (MatchWord(command, u"/build")) {
    BuildCommand(joined, inv.folder, inv.name, inv.base, inv.tail);
  } else if (MatchWord(command, u"/zipup")) {
    ZipupCommand(inv.path, inv.tail);
  } else if (MatchWord(command, u"/lgp")) {
    LgpCommand(inv.folder, inv.name, inv.base, inv.tail);
  } else if (MatchWord(command, u"/clear")) {
    ClearCommand(joined);
  } else if (MatchWord(command, u"/clean")) {
    CleanCommand(inv.folder);
  } else if (MatchWord(command, u"/ini_tx")) {
    WString ini = CopyToken(inv.tail);
    if (!ResolvePath(ini, ResolveMode::Loud)) return;
    IniTxCommand(joined, ini);
  } else if (MatchWord(command, u"/diff")) {
    WString target = CopyToken(inv.tail);
    if (!ResolvePath(target, ResolveMode::Loud)) return;
    DiffCommand(inv.folder, target, NextToken(inv.tail));
  } else {
    ShowHelp(nullptr);
    OutputMessage(u"\r\nInvalid parameters passed `%s'\r\n", command ? command : u"");
  }
}

}  // namespace

int RunPacksmith(const WString& line, const std::vector<WString>& args) {
  Cursor cursor = NextToken(line.c_str());
  if (MatchWord(cursor, u"/help") || MatchWord(cursor, u"/?")) {
    ShowHelp(NextToken(cursor));
    ConsoleFlush();
    return 0;
  }
  WString path = CopyToken(cursor);
  const Cursor command = NextToken(cursor);
  const Cursor tail = NextToken(command);
  if (!args.empty() && MatchWord(args.back().c_str(), u"/nomsgs")) g_messagesEnabled = false;
  if (ResolvePath(path, ResolveMode::Loud)) Dispatch(DeriveInvocation(path, command, tail));
  ConsoleFlush();
  return 0;
}
