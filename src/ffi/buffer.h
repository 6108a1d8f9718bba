// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

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
void release(const RustBuffer& buf);

// Grows a checked buffer so that at least additional bytes are free.
RustBuffer reserve(RustBuffer buf, uint64_t additional);

ByteView view(const RustBuffer& buf);

// Owns a buffer argument for the length of a call: it is checked when first
// viewed and released at the end of the call unless the check failed (the
// storage of a buffer that fails the check is not the library's to free).
class OwnedBuffer {
 public:
  explicit OwnedBuffer(RustBuffer buf) : buf_(buf) {}
  ~OwnedBuffer();
  OwnedBuffer(const OwnedBuffer&) = delete;
  OwnedBuffer& operator=(const OwnedBuffer&) = delete;

  ByteView checked_view();

 private:
  RustBuffer buf_;
  bool rejected_ = false;
};

}  // namespace silvantrope::ffi
