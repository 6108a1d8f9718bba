// SPDX-License-Identifier: Apache-2.0
#include "ffi/buffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "core/fault.h"

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

void release(const RustBuffer& buf) {
  if (buf.data != nullptr && buf.capacity != 0) std::free(buf.data);
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

ByteView view(const RustBuffer& buf) {
  if (buf.len == 0) return {};
  return {buf.data, static_cast<size_t>(buf.len)};
}

OwnedBuffer::~OwnedBuffer() {
  if (rejected_) return;
  // A buffer that was never reached (an earlier argument failed) is still
  // the library's to release, provided it is well formed.
  const bool well_formed = buf_.data != nullptr ? buf_.len <= buf_.capacity
                                                : buf_.capacity == 0 && buf_.len == 0;
  if (well_formed) release(buf_);
}

ByteView OwnedBuffer::checked_view() {
  try {
    check(buf_);
  } catch (...) {
    rejected_ = true;
    throw;
  }
  return view(buf_);
}

}  // namespace silvantrope::ffi
