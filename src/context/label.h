// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/error.h"

namespace silvantrope::context {

// application/purpose/vN, e.g. "tarnwyk/key-history/v1".
struct ContextLabel {
  std::string text;
  uint64_t version;
};

Result<ContextLabel> parse_context_label(std::string_view label);

}  // namespace silvantrope::context
