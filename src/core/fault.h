// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <stdexcept>
#include <string>

namespace silvantrope {

// A broken invariant or an unrepresentable value. Thrown, never returned: the
// exported function that is running catches it and reports status code 2.
class InternalFault : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace silvantrope
