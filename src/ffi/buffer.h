// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <cstdlib>

#include "core/bytes.h"
#include "silvantrope_log.h"

namespace silvantrope::ffi {

// Buffers handed to the caller come from the C allocator; an empty one points
// at a static byte that is never dereferenced or freed.
RustBuffer allocate(uint64_t size);  // zero-filled
RustBuffer allocate_unfilled(uint64_t size);  // for storage written at once
RustBuffer copy_out(ByteView bytes);

// Throws InternalFault with the boundary's message when the caller's buffer
// is not one the library could have made.
void check(const RustBuffer& buf);

// Releases a checked buffer's storage.
inline void release(const RustBuffer& buf) {
  if (buf.data != nullptr && buf.capacity != 0) std::free(buf.data);
}

// Grows a checked buffer so that at least additional bytes are free.
RustBuffer reserve(RustBuffer buf, uint64_t additional);

inline ByteView view(const RustBuffer& buf) {
  if (buf.len == 0) return {};
  return {buf.data, static_cast<size_t>(buf.len)};
}

// Owns a buffer argument for the length of a call: it is checked when first
// viewed and released at the end of the call unless the check failed (the
// storage of a buffer that fails the check is not the library's to free).
class OwnedBuffer {
 public:
  explicit OwnedBuffer(RustBuffer buf) : buf_(buf) {}
  // A buffer that was never reached (an earlier argument failed) is still
  // the library's to release, provided it is well formed.
  ~OwnedBuffer() {
    if (!rejected_ && well_formed()) release(buf_);
  }
  OwnedBuffer(const OwnedBuffer&) = delete;
  OwnedBuffer& operator=(const OwnedBuffer&) = delete;

  ByteView checked_view() { return well_formed() ? view(buf_) : rejected(); }

 private:
  // What check() accepts, inline: every argument of every call passes here.
  bool well_formed() const {
    return buf_.data != nullptr ? buf_.len <= buf_.capacity : buf_.capacity == 0 && buf_.len == 0;
  }
  [[noreturn]] ByteView rejected();

  RustBuffer buf_;
  bool rejected_ = false;
};

}  // namespace silvantrope::ffi
