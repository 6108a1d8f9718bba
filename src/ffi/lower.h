// SPDX-License-Identifier: Apache-2.0
#pragma once

// Lowering results into fresh buffers the caller owns.

#include <array>
#include <cstdint>
#include <limits>
#include <string_view>

#include "core/byte_writer.h"
#include "core/bytes.h"
#include "core/fault.h"
#include "ffi/buffer.h"

namespace silvantrope::ffi {

[[noreturn, gnu::cold]] void length_overflow(size_t n);

// A length or count as the signed 32-bit prefix; anything larger is an
// internal fault, never a truncated length.
inline void write_length(ByteWriter& w, size_t n) {
  if (n > static_cast<size_t>(std::numeric_limits<int32_t>::max())) [[unlikely]] length_overflow(n);
  w.i32(static_cast<int32_t>(n));
}

inline void write_byte_list(ByteWriter& w, ByteView b) {
  write_length(w, b.size());
  w.bytes(b);
}

inline void write_string(ByteWriter& w, std::string_view s) { write_byte_list(w, as_bytes(s)); }

// Lower<T>::CType is what the C function returns for a T result; zero() is its
// value on failure.
template <class T>
struct Lower;

template <>
struct Lower<void> {
  using CType = void;
};

template <>
struct Lower<uint32_t> {
  using CType = uint32_t;
  static CType zero() { return 0; }
  static CType lower(uint32_t v) { return v; }
};

// A fresh buffer of exactly size bytes, filled in place by write(ByteWriter&).
template <class F>
RustBuffer lowered(size_t size, F&& write) {
  RustBuffer buf = allocate_unfilled(size);
  try {
    ByteWriter w = ByteWriter::into({buf.data, size});
    write(w);
    if (w.size() != size) throw InternalFault("value fell short of its precomputed size");
  } catch (...) {
    release(buf);
    throw;
  }
  return buf;
}

// The value is measured by a counting pass, then written once into its
// buffer.
template <class T>
struct LowerToBuffer {
  using CType = RustBuffer;
  static CType zero() { return RustBuffer{0, 0, nullptr}; }
  static CType lower(const T& v) {
    ByteWriter count = ByteWriter::counting();
    Lower<T>::write(count, v);
    return lowered(count.size(), [&](ByteWriter& w) { Lower<T>::write(w, v); });
  }
};

template <size_t N>
struct Lower<std::array<uint8_t, N>> : LowerToBuffer<std::array<uint8_t, N>> {
  static void write(ByteWriter& w, const std::array<uint8_t, N>& v) { write_byte_list(w, v); }
};

template <>
struct Lower<Bytes> : LowerToBuffer<Bytes> {
  static void write(ByteWriter& w, const Bytes& v) { write_byte_list(w, v); }
};

}  // namespace silvantrope::ffi
