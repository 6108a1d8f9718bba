// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string_view>

#include "core/error.h"

namespace silvantrope::context {

// A namespace that passed validate_namespace: at least one byte, every byte
// printable ASCII other than the space, and no '/', so that namespace +
// "/purpose/vN" is a well-formed context label.
struct Namespace {
  std::string_view text;
};

Result<Namespace> validate_namespace(std::string_view text);

}  // namespace silvantrope::context
