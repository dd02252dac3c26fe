#include "lngfile/hash_file.h"

#include <charconv>
#include <cstring>
#include <utility>

#include "lngfile/string_block.h"
#include "text/format.h"

namespace {

// RFC 1321, section 3.4: the per-round shift amounts and the sine table.
constexpr uint32_t kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
constexpr uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

uint32_t RotateLeft(uint32_t x, uint32_t n) { return (x << n) | (x >> (32 - n)); }

// One of the 64 steps; the four rounds differ in their function and in
// the order they take the message words.
template <uint32_t I>
inline void Md5Step(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d, const uint32_t m[16]) {
  uint32_t f;
  if constexpr (I < 16)
    f = (b & c) | (~b & d);
  else if constexpr (I < 32)
    f = (d & b) | (~d & c);
  else if constexpr (I < 48)
    f = b ^ c ^ d;
  else
    f = c ^ (b | ~d);
  constexpr uint32_t g = I < 16 ? I : I < 32 ? (5 * I + 1) % 16 : I < 48 ? (3 * I + 5) % 16 : (7 * I) % 16;
  const uint32_t rotated = RotateLeft(a + f + kSine[I] + m[g], kShift[I]);
  a = d;
  d = c;
  c = b;
  b += rotated;
}

void Md5Block(uint32_t state[4], const uint8_t block[64]) {
  uint32_t m[16];
  for (int i = 0; i < 16; ++i)
    m[i] = static_cast<uint32_t>(block[4 * i]) | (static_cast<uint32_t>(block[4 * i + 1]) << 8) |
           (static_cast<uint32_t>(block[4 * i + 2]) << 16) | (static_cast<uint32_t>(block[4 * i + 3]) << 24);
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  // Written out step by step, so that every shift, constant and word index
  // is known when compiling.
  [&]<uint32_t... I>(std::integer_sequence<uint32_t, I...>) {
    (Md5Step<I>(a, b, c, d, m), ...);
  }(std::make_integer_sequence<uint32_t, 64>{});
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
}

// The digest text (see DigestText), appended without a string of its own.
void AppendDigestText(std::string& out, const std::array<uint8_t, 16>& digest) {
  char text[16];
  for (size_t i = 0; i < 16; ++i) {
    const uint8_t b = digest[i];
    text[i] = static_cast<char>('0' + (b >= 100 ? b / 100 : b >= 10 ? b / 10 : b));
  }
  out.append(text, sizeof text);
}

void Append(BuildContext& context, std::string_view piece) {
  if (context.hashText) context.hashText->append(piece);
}

void FlushPendingHeader(BuildContext& context) {
  if (context.pendingHeader.empty()) return;
  Append(context, context.pendingHeader);
  context.pendingHeader.clear();
}

// The lines of a string table block: one per non-empty string, over its
// characters up to the first zero, zeros for the rest of its count, and
// one zero unit. The whole string is hashed, however long it is.
void HashStringBlock(ByteSpan data, uint16_t blockNumber, BuildContext& context) {
  StringBlock block;
  ReadStringBlock(data, block);  // a cut block: the strings read whole
  std::vector<uint8_t> bytes;
  for (uint32_t position = 0; position < block.slotCount && position < 16; ++position) {
    const WString& text = block.strings[position];
    if (text.empty() || text[0] == 0) continue;
    const int id = (static_cast<int>(blockNumber) - 1) * 16 + static_cast<int>(position);
    if (id == 0xFFFE || id == 0xFFFF) continue;
    bytes.assign(2 * text.size() + 2, 0);
    for (size_t i = 0; i < text.size() && text[i] != 0; ++i) {
      bytes[2 * i] = static_cast<uint8_t>(text[i]);
      bytes[2 * i + 1] = static_cast<uint8_t>(text[i] >> 8);
    }
    FlushPendingHeader(context);
    if (!context.hashText) continue;
    // The digest, ":", the byte 1, the identifier and a line feed.
    AppendDigestText(*context.hashText, Md5Buffer(bytes.data(), bytes.size()));
    char line[16] = {':', '\x01'};
    const auto end = std::to_chars(line + 2, line + sizeof line - 1, id).ptr;
    *end = '\n';
    context.hashText->append(line, static_cast<size_t>(end + 1 - line));
  }
}

}  // namespace

std::array<uint8_t, 16> Md5Buffer(const uint8_t* bytes, size_t count) {
  uint32_t state[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  size_t done = 0;
  for (; count - done >= 64; done += 64) Md5Block(state, bytes + done);
  // The last bytes, the 0x80 marker, zeros, and the bit length (mod 2^64).
  uint8_t tail[128] = {};
  const size_t rest = count - done;
  if (rest) std::memcpy(tail, bytes + done, rest);
  tail[rest] = 0x80;
  const size_t tailSize = rest < 56 ? 64 : 128;
  const uint64_t bits = static_cast<uint64_t>(count) * 8;
  for (int i = 0; i < 8; ++i) tail[tailSize - 8 + i] = static_cast<uint8_t>(bits >> (8 * i));
  Md5Block(state, tail);
  if (tailSize == 128) Md5Block(state, tail + 64);
  std::array<uint8_t, 16> digest;
  for (int i = 0; i < 16; ++i) digest[i] = static_cast<uint8_t>(state[i / 4] >> (8 * (i % 4)));
  return digest;
}

std::string DigestText(const std::array<uint8_t, 16>& digest) {
  std::string text;
  AppendDigestText(text, digest);
  return text;
}

void EnterHashType(const ResId& type, BuildContext& context) {
  if (type.isName)
    Append(context, "@" + WideToAnsi(type.name) + "\n");
  else
    context.pendingHeader = FormatNarrow("#%d\n", static_cast<int>(type.id));
}

void HashResource(const ResId& type, const ResId& name, ByteSpan data, BuildContext& context) {
  if (!type.isName && type.id == kRtString && !name.isName) {
    HashStringBlock(data, name.id, context);
    return;
  }
  const std::array<uint8_t, 16> digest = Md5Buffer(data.data(), data.size());
  FlushPendingHeader(context);
  Append(context, DigestText(digest));
  if (name.isName) {
    // The length byte counts the name's characters plus one, modulo 256;
    // it is written even when that makes it 0.
    std::string part = ":";
    part.push_back(static_cast<char>((name.name.size() + 1) & 0xFF));
    part += WideToAnsi(name.name);
    Append(context, part);
  } else {
    Append(context, FormatNarrow(":%c%d", '\x01', static_cast<int>(name.id)));
  }
  Append(context, "\r\n");
}
