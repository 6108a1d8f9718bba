// SPDX-License-Identifier: Apache-2.0
// Contract version and buffer management.

#include <cstdlib>
#include <cstring>

#include "core/fault.h"
#include "ffi/buffer.h"
#include "ffi/call.h"
#include "silvantrope_log.h"

using namespace silvantrope;
using namespace silvantrope::ffi;

namespace {
constexpr uint32_t kContractVersion = 30;
}

extern "C" {

uint32_t ffi_silvantrope_log_uniffi_contract_version(void) { return kContractVersion; }

RustBuffer ffi_silvantrope_log_rustbuffer_alloc(uint64_t size, RustCallStatus* status) {
  return guarded(status, [&] { return allocate(size); });
}

RustBuffer ffi_silvantrope_log_rustbuffer_from_bytes(ForeignBytes bytes, RustCallStatus* status) {
  // Every argument of every call comes through here: the common case is one
  // malloc and one copy.
  if (bytes.data != nullptr && bytes.len > 0) {
    if (void* data = std::malloc(static_cast<size_t>(bytes.len))) {
      std::memcpy(data, bytes.data, static_cast<size_t>(bytes.len));
      const auto len = static_cast<uint64_t>(bytes.len);
      return RustBuffer{len, len, static_cast<uint8_t*>(data)};
    }
  }
  return guarded(status, [&] {
    if (bytes.data == nullptr) {
      if (bytes.len != 0) throw InternalFault("null ForeignBytes had non-zero length");
      return allocate(0);
    }
    if (bytes.len < 0) {
      throw InternalFault("bytes length negative or overflowed: TryFromIntError(())");
    }
    return copy_out({bytes.data, static_cast<size_t>(bytes.len)});
  });
}

void ffi_silvantrope_log_rustbuffer_free(RustBuffer buf, RustCallStatus* status) {
  if (buf.data != nullptr && buf.capacity != 0 && buf.len <= buf.capacity) {
    std::free(buf.data);
    return;
  }
  guarded(status, [&] {
    check(buf);
    release(buf);
  });
}

RustBuffer ffi_silvantrope_log_rustbuffer_reserve(RustBuffer buf, uint64_t additional,
                                                  RustCallStatus* status) {
  return guarded(status, [&] {
    check(buf);
    return reserve(buf, additional);
  });
}

}  // extern "C"
