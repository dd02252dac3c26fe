#include "lngfile/hash_removal.h"

#include "driver/console_output.h"
#include "driver/flows.h"
#include "lngfile/resource_access.h"

bool RemoveHashSection(const Messages& messages, const WString& path) {
  const ResId hash = ResId::Str(u"HASH");
  uint16_t language = kLangNeutral;
  uint16_t found = kLangNeutral;
  if (!ProbeResource(path, hash, hash, language, &found)) {
    OutputMessage(messages, u"No HASH section detected in `%s'\r\n", path);
    return false;
  }
  ResourceUpdatePtr update = BeginResourceUpdate(path);
  if (!update) {
    OutputMessage(messages, u"Unable to start the resource update process (%s)\r\n", path);
    return false;
  }
  // The language of the copy the probe found, which is the one deleted.
  DeleteResourceItem(*update, hash, hash, found);
  if (!CommitResourceUpdate(std::move(update))) {
    OutputMessage(messages, u"Failed to commit the updates to file (%s)\r\n", path);
    return false;
  }
  return true;
}

void ClearCommand(const Messages& messages, const WString& file) {
  OutputMessage(messages, u"Attempting to remove HASH section...\r\n");
  if (RemoveHashSection(messages, file)) OutputMessage(messages, u"Completed HASH section removal\r\n");
}
