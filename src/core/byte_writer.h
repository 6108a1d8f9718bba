// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

#include "core/bytes.h"
#include "core/fault.h"

namespace silvantrope {

// The mirror of ByteReader: appends big-endian integers and raw bytes. By
// default it grows a vector of its own; it can instead only count what would
// be written, or fill storage sized in advance (by a counting pass), so that
// a value is written once, in place.
class ByteWriter {
 public:
  ByteWriter() = default;
  explicit ByteWriter(size_t reserve) { out_.reserve(reserve); }

  static ByteWriter counting() { return ByteWriter(Mode::Counting, {}); }
  // Writing past the end of fixed is an internal fault.
  static ByteWriter into(std::span<uint8_t> fixed) { return ByteWriter(Mode::Fixed, fixed); }

  ByteWriter& u8(uint8_t v) { return put(&v, 1); }
  ByteWriter& u16(uint16_t v) { return integer(v); }
  ByteWriter& u32(uint32_t v) { return integer(v); }
  ByteWriter& u64(uint64_t v) { return integer(v); }
  ByteWriter& i32(int32_t v) { return integer(static_cast<uint32_t>(v)); }
  ByteWriter& bytes(ByteView b) { return put(b.data(), b.size()); }
  ByteWriter& text(std::string_view s) { return bytes(as_bytes(s)); }

  // Bytes written (or counted) so far.
  size_t size() const { return mode_ == Mode::Growing ? out_.size() : written_; }
  // The growing writer's bytes.
  const Bytes& data() const { return out_; }
  Bytes take() && { return std::move(out_); }

 private:
  enum class Mode { Growing, Counting, Fixed };
  ByteWriter(Mode mode, std::span<uint8_t> fixed) : mode_(mode), fixed_(fixed) {}

  template <class T>
  ByteWriter& integer(T v) {
    uint8_t be[sizeof(T)];
    for (size_t i = 0; i < sizeof(T); ++i) be[i] = static_cast<uint8_t>(v >> (8 * (sizeof(T) - 1 - i)));
    return put(be, sizeof(T));
  }

  ByteWriter& put(const uint8_t* p, size_t n) {
    switch (mode_) {
      case Mode::Growing: out_.insert(out_.end(), p, p + n); break;
      case Mode::Counting: written_ += n; break;
      case Mode::Fixed:
        if (n > fixed_.size() - written_) throw InternalFault("value outgrew its precomputed size");
        if (n != 0) std::memcpy(fixed_.data() + written_, p, n);
        written_ += n;
        break;
    }
    return *this;
  }

  Mode mode_ = Mode::Growing;
  Bytes out_;
  std::span<uint8_t> fixed_;
  size_t written_ = 0;
};

}  // namespace silvantrope
