#include "driver/console_output.h"
#include "driver/flows.h"
#include "driver/help.h"
#include "driver/invocation.h"
#include "driver/path_routines.h"
#include "os/files.h"
#include "os/paths.h"

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

// A missing path is told unless the run's messages are closed.
ResolveMode LoudUnlessSilenced(const Messages& messages) {
  return messages.enabled ? ResolveMode::Loud : ResolveMode::Quiet;
}

// The exit code: the flow's for /check, 0 for every other command.
int Dispatch(const Messages& messages, const Invocation& inv) {
  const Cursor command = inv.command;
  const WString joined = JoinPath(inv.folder, inv.name);
  if (MatchWord(command, u"/build")) {
    BuildCommand(messages, joined, inv.folder, inv.name, inv.base, inv.tail);
  } else if (MatchWord(command, u"/zipup")) {
    ZipupCommand(messages, inv.path, inv.tail);
  } else if (MatchWord(command, u"/lgp")) {
    LgpCommand(messages, inv.folder, inv.name, inv.base, inv.tail);
  } else if (MatchWord(command, u"/clear")) {
    ClearCommand(messages, joined);
  } else if (MatchWord(command, u"/clean")) {
    CleanCommand(messages, inv.folder);
  } else if (MatchWord(command, u"/ini_tx")) {
    WString ini = CopyToken(inv.tail);
    if (!ResolvePath(ini, LoudUnlessSilenced(messages))) return 0;
    IniTxCommand(messages, joined, ini);
  } else if (MatchWord(command, u"/diff")) {
    WString target = CopyToken(inv.tail);
    if (!ResolvePath(target, LoudUnlessSilenced(messages))) return 0;
    DiffCommand(messages, inv.folder, target, NextToken(inv.tail));
  } else if (MatchWord(command, u"/check")) {
    WString target = CopyToken(inv.tail);
    if (!ResolvePath(target, LoudUnlessSilenced(messages))) return 1;
    return CheckCommand(messages, inv.folder, target, NextToken(inv.tail));
  } else if (MatchWord(command, u"/po_export")) {
    PoExportCommand(messages, inv.folder, inv.tail);
  } else if (MatchWord(command, u"/po_import")) {
    PoImportCommand(messages, inv.folder, inv.tail);
  } else {
    ShowHelp(nullptr);
    OutputMessage(messages, u"\r\nInvalid parameters passed `%s'\r\n", command ? command : u"");
  }
  return 0;
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
  Messages messages;
  messages.enabled = args.empty() || !MatchWord(args.back().c_str(), u"/nomsgs");
  // A /check that cannot start has not passed.
  int exitCode = MatchWord(command, u"/check") ? 1 : 0;
  if (ResolvePath(path, LoudUnlessSilenced(messages))) exitCode = Dispatch(messages, DeriveInvocation(path, command, tail));
  ConsoleFlush();
  return exitCode;
}
