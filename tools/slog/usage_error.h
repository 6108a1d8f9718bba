// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <stdexcept>

namespace slog {

// A command line slog will not act on: exit status 2, one line naming why.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

}  // namespace slog
