// SPDX-License-Identifier: Apache-2.0
#include "context/namespace.h"

#include <algorithm>
#include <string>

#include "core/quote.h"

namespace silvantrope::context {

Result<Namespace> validate_namespace(std::string_view text) {
  const bool ok = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    const auto b = static_cast<uint8_t>(c);
    return b >= 0x21 && b <= 0x7E && b != '/';
  });
  if (!ok) {
    return Error::malformed_namespace("namespace must be non-empty printable ASCII without '/': " +
                                      quote(text));
  }
  return Namespace{text};
}

}  // namespace silvantrope::context
