// SPDX-License-Identifier: Apache-2.0
// parse_context_label and quote on arbitrary bytes (see README.md).

#include "context/label.h"
#include "core/quote.h"
#include "support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view s(reinterpret_cast<const char*>(data), size);
  const std::string q = silvantrope::quote(s);
  const bool plain = std::all_of(s.begin(), s.end(), [](char c) { return c >= 0x20 && c < 0x7F && c != '"' && c != '\\'; });
  FUZZ_CHECK(q.size() >= 2 && q.front() == '"' && q.back() == '"' && fuzz::utf8(q) && (!plain || q == '"' + std::string(s) + '"'));
  const auto label = fuzz::twice([&] { return silvantrope::context::parse_context_label(s); });
  const std::string m = label ? "" : label.error().message();
  FUZZ_CHECK(label ? label->text == s && s.ends_with("/v" + std::to_string(label->version))
                   : m.starts_with("malformed canonical leaf: context label ") && m.ends_with(": " + q));
  return 0;
}
