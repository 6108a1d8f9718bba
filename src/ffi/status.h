#pragma once

#include <string_view>

#include "core/error.h"
#include "silvantrope_log.h"

namespace silvantrope::ffi {

// Code 1: the error's message as a lowered VerifyError::Verification.
void fail_with_error(RustCallStatus* status, const Error& error);

// Code 2: the bare UTF-8 message of a lift failure or an internal fault.
void fail_unexpected(RustCallStatus* status, std::string_view message);

}  // namespace silvantrope::ffi
