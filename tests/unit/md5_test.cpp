// MD5 against the RFC 1321 test suite and md5sum, and the digest text of
// the hash file.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "lngfile/hash_file.h"
#include "support/harness.h"

namespace {

std::string Hex(const std::array<uint8_t, 16>& digest) {
  static const char* kDigits = "0123456789abcdef";
  std::string out;
  for (uint8_t b : digest) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 15]);
  }
  return out;
}

std::string Md5Hex(const std::string& text) {
  return Hex(Md5Buffer(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

}  // namespace

TEST(Md5, Rfc1321TestSuite) {
  EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Md5Hex("a"), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Md5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(Md5Hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(Md5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            "d174ab98d277d9f5a5611c2c9f419d9f");
  EXPECT_EQ(Md5Hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
            "57edf4a22be3c955ac49da2e2107b67a");
  EXPECT_EQ(Md5Buffer(nullptr, 0), Md5Buffer(reinterpret_cast<const uint8_t*>(""), 0));
}

TEST(Md5, EveryLengthAroundTheBlockEdgesMatchesMd5sum) {
  harness::TempDir dir;
  std::mt19937 random(1321);
  for (size_t length : {1, 55, 56, 57, 63, 64, 65, 119, 120, 127, 128, 129, 1000, 100000}) {
    SCOPED_TRACE(length);
    std::string bytes(length, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    const std::string file = dir.Sub("in.bin");
    harness::WriteFile(file, bytes);
    std::string sum;
    ASSERT_EQ(harness::Shell("md5sum '" + file + "'", &sum), 0);
    EXPECT_EQ(Md5Hex(bytes), sum.substr(0, 32));
  }
}

TEST(Md5, DigestTextIsTheFirstDecimalDigitOfEachByte) {
  std::array<uint8_t, 16> digest = {0x07, 0xC8, 0x0F, 0, 9, 10, 19, 20, 99, 100, 199, 200, 255, 30, 45, 250};
  EXPECT_EQ(DigestText(digest), "7210911291122342");
  // "abc": 90 01 50 98 3c d2 4f b0 d6 96 3f 7d 28 e1 7f 72.
  const std::string abc = "abc";
  EXPECT_EQ(DigestText(Md5Buffer(reinterpret_cast<const uint8_t*>(abc.data()), 3)), "1181627121614211");
}
