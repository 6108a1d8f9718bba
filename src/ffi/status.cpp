// SPDX-License-Identifier: Apache-2.0
#include "ffi/status.h"

#include <cstdlib>
#include <exception>

#include "ffi/buffer.h"
#include "ffi/lower.h"

namespace silvantrope::ffi {
namespace {

constexpr int32_t kVerificationVariant = 1;

}  // namespace

void set_status(RustCallStatus* status, int8_t code, RustBuffer error_buf) {
  // A failure with nowhere to report it would pass for a success.
  if (status == nullptr) std::abort();
  status->code = code;
  status->error_buf = error_buf;
}

void fail_verification(RustCallStatus* status, Message&& message) {
  // The variant tag and the message's length prefix, written into the
  // headroom of the message's block; a message too long for the prefix
  // faults before anything is handed over.
  try {
    ByteWriter w = ByteWriter::into(message.headroom());
    w.i32(kVerificationVariant);
    write_length(w, message.size());
  } catch (const std::exception& e) {
    fail_unexpected(status, e.what());
    return;
  }
  const size_t size = Message::kHeadroom + message.size();
  set_status(status, SILVANTROPE_LOG_CALL_ERROR, RustBuffer{size, size, std::move(message).release()});
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
