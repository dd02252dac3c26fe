#include "os/profile.h"

#include "os/files.h"

bool LoadProfile(const WString& path, ProfileDocument& doc) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, bytes)) {
    doc = ProfileDocument();
    return false;
  }
  ParseProfile(bytes, doc);
  return true;
}

std::vector<WString> GetProfileSectionNames(const WString& path) {
  ProfileDocument doc;
  LoadProfile(path, doc);
  return ProfileSectionNames(doc);
}

std::vector<WString> GetProfileKeyNames(const WString& path, WStringView section) {
  ProfileDocument doc;
  LoadProfile(path, doc);
  return ProfileKeyNames(doc, section);
}

bool GetProfileValue(const WString& path, WStringView section, WStringView key, WString& value) {
  ProfileDocument doc;
  LoadProfile(path, doc);
  return ProfileValue(doc, section, key, value);
}

bool WriteProfileValue(const WString& path, WStringView section, WStringView key, WStringView value) {
  std::vector<uint8_t> bytes;
  if (PathExists(path) && !ReadWholeFile(path, bytes)) return false;
  return ReplaceFileContents(path, SetProfileValue(bytes, section, key, value));
}
