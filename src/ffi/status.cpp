// SPDX-License-Identifier: Apache-2.0
#include "ffi/status.h"

#include <climits>
#include <cstring>
#include <string>

#include "core/fault.h"
#include "ffi/buffer.h"
#include "ffi/lower.h"

namespace silvantrope::ffi {
namespace {

constexpr int32_t kVerificationVariant = 1;

}  // namespace

void set_status(RustCallStatus* status, int8_t code, RustBuffer error_buf) {
  if (status == nullptr) {
    release(error_buf);
    return;
  }
  status->code = code;
  status->error_buf = error_buf;
}

void fail_verification(RustCallStatus* status, std::string_view message) {
  try {
    // The variant tag, then the message as a length-prefixed string.
    if (message.size() > static_cast<size_t>(INT32_MAX)) {
      throw InternalFault("error message of " + std::to_string(message.size()) + " bytes");
    }
    RustBuffer buf = allocate_unfilled(8 + message.size());
    const auto be32 = [&](size_t at, uint32_t v) {
      for (size_t i = 0; i < 4; ++i) buf.data[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
    };
    be32(0, kVerificationVariant);
    be32(4, static_cast<uint32_t>(message.size()));
    if (!message.empty()) std::memcpy(buf.data + 8, message.data(), message.size());
    set_status(status, SILVANTROPE_LOG_CALL_ERROR, buf);
  } catch (const std::exception& e) {
    fail_unexpected(status, e.what());
  }
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
