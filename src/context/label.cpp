// SPDX-License-Identifier: Apache-2.0
#include "context/label.h"

#include <algorithm>

#include "core/quote.h"

namespace silvantrope::context {
namespace {

bool printable_segment(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
    const auto b = static_cast<uint8_t>(c);
    return b >= 0x21 && b <= 0x7E;
  });
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

Result<ContextLabel> parse_context_label(std::string_view label) {
  auto fail = [&](std::string_view what) {
    return Error::malformed_canonical_leaf(std::string(what) + ": " + quote(label));
  };

  if (std::count(label.begin(), label.end(), '/') > 2) {
    return fail("context label has too many '/'-segments");
  }
  const size_t slash1 = label.find('/');
  const std::string_view application = label.substr(0, slash1);
  if (!printable_segment(application)) {
    return fail("context label segments must be non-empty printable ASCII");
  }
  if (slash1 == std::string_view::npos) {
    return fail("context label segments must be non-empty printable ASCII");
  }
  const size_t slash2 = label.find('/', slash1 + 1);
  const std::string_view purpose = label.substr(slash1 + 1, slash2 - (slash1 + 1));
  if (!printable_segment(purpose)) {
    return fail("context label segments must be non-empty printable ASCII");
  }
  if (slash2 == std::string_view::npos) return fail("context label version must start with 'v'");

  const std::string_view version = label.substr(slash2 + 1);
  if (version.empty() || version[0] != 'v') {
    return fail("context label version must start with 'v'");
  }
  const std::string_view digits = version.substr(1);
  if (digits.empty() || !std::all_of(digits.begin(), digits.end(), is_digit)) {
    return fail("context label version must be 'v' followed by digits");
  }
  if (digits.size() > 1 && digits[0] == '0') {
    return fail("context label version must not have leading zeros");
  }
  uint64_t value = 0;
  for (char c : digits) {
    const uint64_t d = static_cast<uint64_t>(c - '0');
    if (value > (UINT64_MAX - d) / 10) return fail("context label version overflow");
    value = value * 10 + d;
  }
  return ContextLabel{std::string(label), value};
}

}  // namespace silvantrope::context
