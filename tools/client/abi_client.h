// SPDX-License-Identifier: Apache-2.0
#pragma once

// The benchmarks' names for the serialization helpers of the installed C++
// header (include/silvantrope_log.hpp).

#include "silvantrope_log.hpp"

namespace slog_client {
using silvantrope_log::Bytes;
using namespace silvantrope_log::wire;
}  // namespace slog_client
