// The profile reader and writer over any bytes.
#include "fuzz_support.h"
#include "os/profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const WString path = WriteScratchFile(u"p.ini", data, size);
  ProfileDocument doc;
  LoadProfile(path, doc);
  for (const WString& section : ProfileSectionNames(doc))
    for (const WString& key : ProfileKeyNames(doc, section)) {
      WString value;
      ProfileValue(doc, section, key, value);
    }
  WriteProfileValue(path, u"Native", u"fuzz.dll", u"{00000000-0000-0000-0000-000000000000}");
  WString value;
  GetProfileValue(path, u"Native", u"fuzz.dll", value);
  return 0;
}
