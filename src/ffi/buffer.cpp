// SPDX-License-Identifier: Apache-2.0
#include "ffi/buffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "core/fault.h"
#include "ffi/lower.h"

namespace silvantrope::ffi {
namespace {

constexpr uint64_t kMaxCapacity = (uint64_t{1} << 63) - 1;

uint8_t empty_storage;

RustBuffer empty_buffer() { return RustBuffer{0, 0, &empty_storage}; }

template <bool kZeroed>
RustBuffer allocated(uint64_t size) {
  if (size > kMaxCapacity) throw InternalFault("capacity overflow");
  if (size == 0) return empty_buffer();
  auto* data = static_cast<uint8_t*>(kZeroed ? std::calloc(size, 1) : std::malloc(size));
  if (data == nullptr) throw std::bad_alloc();
  return RustBuffer{size, size, data};
}

}  // namespace

RustBuffer allocate(uint64_t size) { return allocated<true>(size); }

RustBuffer allocate_unfilled(uint64_t size) { return allocated<false>(size); }

RustBuffer copy_out(ByteView bytes) {
  RustBuffer buf = allocate_unfilled(bytes.size());
  if (!bytes.empty()) std::memcpy(buf.data, bytes.data(), bytes.size());
  return buf;
}

void check(const RustBuffer& buf) {
  if (buf.data != nullptr) {
    if (buf.len > buf.capacity) throw InternalFault("RustBuffer length exceeds capacity");
    return;
  }
  if (buf.capacity != 0) throw InternalFault("null RustBuffer had non-zero capacity");
  if (buf.len != 0) throw InternalFault("null RustBuffer had non-zero length");
}

RustBuffer reserve(RustBuffer buf, uint64_t additional) {
  if (buf.capacity - buf.len >= additional) return buf;
  if (additional > kMaxCapacity - buf.len) {
    release(buf);  // the buffer was handed over; it does not come back
    throw InternalFault("capacity overflow");
  }
  const uint64_t needed = buf.len + additional;
  const uint64_t grown = buf.capacity > kMaxCapacity / 2 ? kMaxCapacity : buf.capacity * 2;
  const uint64_t capacity = std::max({needed, grown, uint64_t{8}});
  void* old = buf.capacity != 0 ? buf.data : nullptr;
  auto* data = static_cast<uint8_t*>(std::realloc(old, capacity));
  if (data == nullptr) {
    release(buf);
    throw std::bad_alloc();
  }
  return RustBuffer{capacity, buf.len, data};
}

ByteView OwnedBuffer::rejected() {
  rejected_ = true;
  check(buf_);  // throws the boundary's message for this malformation
  throw InternalFault("RustBuffer rejected");
}

void length_overflow(size_t n) {
  throw InternalFault("length " + std::to_string(n) + " does not fit a signed 32-bit prefix");
}

}  // namespace silvantrope::ffi
