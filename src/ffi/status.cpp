// SPDX-License-Identifier: Apache-2.0
#include "ffi/status.h"

#include <bit>
#include <cstring>
#include <limits>
#include <string>

#include "ffi/buffer.h"

namespace silvantrope::ffi {
namespace {

constexpr uint32_t kVerificationVariant = 1;

uint32_t big_endian(uint32_t v) { return std::endian::native == std::endian::big ? v : __builtin_bswap32(v); }

}  // namespace

void set_status(RustCallStatus* status, int8_t code, RustBuffer error_buf) {
  if (status == nullptr) {
    release(error_buf);
    return;
  }
  status->code = code;
  status->error_buf = error_buf;
}

void fail_verification(RustCallStatus* status, Message&& message) {
  const size_t n = message.size();
  // A message too long for the prefix faults before anything is handed over.
  if (n > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    fail_unexpected(status, "length " + std::to_string(n) + " does not fit a signed 32-bit prefix");
    return;
  }
  const size_t size = Message::kHeadroom + n;
  uint8_t* block = std::move(message).release();
  const uint32_t head[2] = {big_endian(kVerificationVariant), big_endian(static_cast<uint32_t>(n))};
  std::memcpy(block, head, sizeof head);
  set_status(status, SILVANTROPE_LOG_CALL_ERROR, RustBuffer{size, size, block});
}

void fail_unexpected(RustCallStatus* status, std::string_view message) {
  RustBuffer buf{0, 0, nullptr};
  try {
    buf = copy_out(as_bytes(message.empty() ? std::string_view("Unknown panic!") : message));
  } catch (...) {
    // Out of memory while reporting: the code alone has to say it.
  }
  set_status(status, SILVANTROPE_LOG_CALL_UNEXPECTED_ERROR, buf);
}

}  // namespace silvantrope::ffi
