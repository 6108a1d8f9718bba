// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string_view>

#include "core/bytes.h"

namespace silvantrope {

// The mirror of ByteReader: appends big-endian integers and raw bytes.
class ByteWriter {
 public:
  ByteWriter() = default;
  explicit ByteWriter(size_t reserve) { out_.reserve(reserve); }

  ByteWriter& u8(uint8_t v) { out_.push_back(v); return *this; }
  ByteWriter& u16(uint16_t v) { return integer(v); }
  ByteWriter& u32(uint32_t v) { return integer(v); }
  ByteWriter& u64(uint64_t v) { return integer(v); }
  ByteWriter& i32(int32_t v) { return integer(static_cast<uint32_t>(v)); }
  ByteWriter& bytes(ByteView b) { out_.insert(out_.end(), b.begin(), b.end()); return *this; }
  ByteWriter& text(std::string_view s) { return bytes(as_bytes(s)); }

  size_t size() const { return out_.size(); }
  const Bytes& data() const { return out_; }
  Bytes take() && { return std::move(out_); }

 private:
  template <class T>
  ByteWriter& integer(T v) {
    for (size_t i = sizeof(T); i-- > 0;) out_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return *this;
  }

  Bytes out_;
};

}  // namespace silvantrope
