// The one bounds-checked reader through which every untrusted byte is read:
// modules, templates, archives' metadata and INI files. A cursor over a span;
// every read says whether it succeeded and never moves past the end. Values
// are little-endian, read byte by byte, never by laying a struct over bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

using ByteSpan = std::span<const uint8_t>;

class ByteReader {
 public:
  ByteReader() = default;
  explicit ByteReader(ByteSpan data, size_t offset = 0) : data_(data), pos_(offset <= data.size() ? offset : data.size()) {}

  size_t Offset() const { return pos_; }
  size_t Size() const { return data_.size(); }
  size_t Remaining() const { return data_.size() - pos_; }
  bool AtEnd() const { return pos_ >= data_.size(); }
  ByteSpan Data() const { return data_; }

  // Moves to an absolute offset; fails (and stays) when it is past the end.
  bool Seek(size_t offset) {
    if (offset > data_.size()) return false;
    pos_ = offset;
    return true;
  }
  bool Skip(size_t count) {
    if (count > Remaining()) return false;
    pos_ += count;
    return true;
  }
  // Rounds the offset up to a multiple of `alignment` (a power of two),
  // measured from the start of the span. Fails when that is past the end.
  bool Align(size_t alignment) {
    const size_t rem = pos_ % alignment;
    return rem == 0 || Skip(alignment - rem);
  }
  // Like Align, but clamps to the end instead of failing.
  void AlignClamped(size_t alignment) {
    if (!Align(alignment)) pos_ = data_.size();
  }

  bool U8(uint8_t& v) {
    if (Remaining() < 1) return false;
    v = data_[pos_++];
    return true;
  }
  bool U16(uint16_t& v) {
    if (Remaining() < 2) return false;
    v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return true;
  }
  bool U32(uint32_t& v) {
    if (Remaining() < 4) return false;
    v = static_cast<uint32_t>(data_[pos_]) | (static_cast<uint32_t>(data_[pos_ + 1]) << 8) |
        (static_cast<uint32_t>(data_[pos_ + 2]) << 16) | (static_cast<uint32_t>(data_[pos_ + 3]) << 24);
    pos_ += 4;
    return true;
  }
  bool I16(int16_t& v) {
    uint16_t u;
    if (!U16(u)) return false;
    v = static_cast<int16_t>(u);
    return true;
  }

  // `count` bytes as a sub-span.
  bool Bytes(size_t count, ByteSpan& out) {
    if (count > Remaining()) return false;
    out = data_.subspan(pos_, count);
    pos_ += count;
    return true;
  }
  // `count` UTF-16LE code units.
  bool CountedWide(size_t count, std::u16string& out) {
    if (count > Remaining() / 2) return false;
    out.resize(count);
    for (size_t i = 0; i < count; ++i)
      out[i] = static_cast<char16_t>(data_[pos_ + 2 * i] | (data_[pos_ + 2 * i + 1] << 8));
    pos_ += 2 * count;
    return true;
  }
  // A zero-terminated UTF-16LE string; the terminator is consumed but not
  // stored. Fails (and stays) when no terminator comes before the end.
  bool ZeroTerminatedWide(std::u16string& out) {
    std::u16string text;
    size_t p = pos_;
    while (data_.size() - p >= 2) {
      const auto c = static_cast<char16_t>(data_[p] | (data_[p + 1] << 8));
      p += 2;
      if (c == 0) {
        out = std::move(text);
        pos_ = p;
        return true;
      }
      text.push_back(c);
    }
    return false;
  }

  // Reads at an absolute offset without moving the cursor.
  bool PeekU16At(size_t offset, uint16_t& v) const {
    if (offset > data_.size() || data_.size() - offset < 2) return false;
    v = static_cast<uint16_t>(data_[offset] | (data_[offset + 1] << 8));
    return true;
  }
  bool PeekU32At(size_t offset, uint32_t& v) const {
    if (offset > data_.size() || data_.size() - offset < 4) return false;
    v = static_cast<uint32_t>(data_[offset]) | (static_cast<uint32_t>(data_[offset + 1]) << 8) |
        (static_cast<uint32_t>(data_[offset + 2]) << 16) | (static_cast<uint32_t>(data_[offset + 3]) << 24);
    return true;
  }

 private:
  ByteSpan data_;
  size_t pos_ = 0;
};

// Little-endian writers for building byte buffers.

inline void PutU16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
inline void PutWide(std::vector<uint8_t>& out, std::u16string_view text, bool terminate) {
  for (char16_t c : text) PutU16(out, c);
  if (terminate) PutU16(out, 0);
}
inline void PadTo(std::vector<uint8_t>& out, size_t alignment) {
  while (out.size() % alignment) out.push_back(0);
}
inline void SetU16At(std::vector<uint8_t>& out, size_t at, uint16_t v) {
  out[at] = static_cast<uint8_t>(v);
  out[at + 1] = static_cast<uint8_t>(v >> 8);
}
inline void SetU32At(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
