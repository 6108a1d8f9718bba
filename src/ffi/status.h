// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string_view>

#include "core/error.h"
#include "core/message.h"
#include "silvantrope_log.h"

namespace silvantrope::ffi {

// Writes code and error_buf; without a status the buffer is released.
void set_status(RustCallStatus* status, int8_t code, RustBuffer error_buf);

// Code 1: the message as a lowered VerifyError::Verification, written into
// the headroom of the message's own block, which becomes the error buffer.
void fail_verification(RustCallStatus* status, Message&& message);

// Code 2: the bare UTF-8 message of a lift failure or an internal fault.
void fail_unexpected(RustCallStatus* status, std::string_view message);

}  // namespace silvantrope::ffi
