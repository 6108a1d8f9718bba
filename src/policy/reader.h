// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string>

#include "core/byte_reader.h"
#include "core/error.h"

namespace silvantrope::policy {

// The ByteReader as policy records and envelopes read it: a short read is a
// MalformedPolicy naming the field size, the buffer length and the offset.
class PolicyReader {
 public:
  explicit PolicyReader(ByteView data) : r_(data) {}

  bool empty() const { return r_.empty(); }

  Result<uint8_t> u8() { return checked(r_.u8()); }
  Result<uint16_t> u16() { return checked(r_.u16()); }
  Result<uint32_t> u32() { return checked(r_.u32()); }
  Result<uint64_t> u64() { return checked(r_.u64()); }
  Result<ByteView> take(size_t n) { return checked(r_.take(n)); }

  // A 4-byte big-endian length, then that many bytes.
  Result<ByteView> field() {
    auto n = u32();
    if (!n) return std::move(n).error();
    return take(*n);
  }

 private:
  template <class T>
  static Result<T> checked(Read<T> v) {
    if (v) return *v;
    const Shortage& s = v.error();
    return Error::malformed_policy("field of " + std::to_string(s.wanted) + " bytes overruns the " +
                                   std::to_string(s.at + s.remaining) + "-byte buffer at offset " +
                                   std::to_string(s.at));
  }

  ByteReader r_;
};

}  // namespace silvantrope::policy
