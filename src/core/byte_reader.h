// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/bytes.h"
#include "core/expected.h"

namespace silvantrope {

// What a read wanted and what it found. Each wire format turns this into its
// own detail text.
struct Shortage {
  size_t wanted;
  size_t at;
  size_t remaining;
};

template <class T>
using Read = Expected<T, Shortage>;

// A bounds-checked big-endian cursor. Nothing is read past the end; a failed
// read leaves the position where it was.
class ByteReader {
 public:
  explicit ByteReader(ByteView data) : data_(data) {}

  size_t pos() const { return pos_; }
  size_t size() const { return data_.size(); }
  size_t remaining() const { return data_.size() - pos_; }
  bool empty() const { return pos_ == data_.size(); }

  Read<uint8_t> u8() { return integer<uint8_t>(); }
  Read<uint16_t> u16() { return integer<uint16_t>(); }
  Read<uint32_t> u32() { return integer<uint32_t>(); }
  Read<uint64_t> u64() { return integer<uint64_t>(); }
  Read<int32_t> i32() {
    auto v = u32();
    if (!v) return unexpected(v.error());
    return static_cast<int32_t>(*v);
  }

  Read<ByteView> take(size_t n) {
    if (remaining() < n) return shortage(n);
    ByteView v = data_.subspan(pos_, n);
    pos_ += n;
    return v;
  }

  // What was read from position start up to here.
  ByteView consumed_since(size_t start) const { return data_.subspan(start, pos_ - start); }

  // Everything not yet read; the cursor moves to the end.
  ByteView rest() {
    ByteView v = data_.subspan(pos_);
    pos_ = data_.size();
    return v;
  }

 private:
  template <class T>
  Read<T> integer() {
    if (remaining() < sizeof(T)) return shortage(sizeof(T));
    T v;
    std::memcpy(&v, data_.data() + pos_, sizeof(T));
    pos_ += sizeof(T);
    return from_big_endian(v);
  }

  // One load and a byte swap: every call frame reads several prefixes.
  template <class T>
  static T from_big_endian(T v) {
    if constexpr (sizeof(T) == 1 || std::endian::native == std::endian::big) {
      return v;
    } else if constexpr (sizeof(T) == 2) {
      return static_cast<T>(__builtin_bswap16(v));
    } else if constexpr (sizeof(T) == 4) {
      return static_cast<T>(__builtin_bswap32(v));
    } else {
      return static_cast<T>(__builtin_bswap64(v));
    }
  }

  Unexpected<Shortage> shortage(size_t wanted) const {
    return unexpected(Shortage{wanted, pos_, remaining()});
  }

  ByteView data_;
  size_t pos_ = 0;
};

}  // namespace silvantrope
