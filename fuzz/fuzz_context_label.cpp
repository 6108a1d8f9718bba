// SPDX-License-Identifier: Apache-2.0
// parse_context_label and quote on arbitrary bytes (see README.md).

#include "context/label.h"
#include "core/quote.h"
#include "support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view s(reinterpret_cast<const char*>(data), size);
  const std::string q = silvantrope::quote(s);
  const bool plain = std::all_of(s.begin(), s.end(), [](char c) { return c >= 0x20 && c < 0x7F && c != '"' && c != '\\'; });
  // Past 256 bytes only a prefix is quoted, then '... (N more bytes)'; the
  // suffix holds no '"', so the last '"' closes the quoted part.
  const size_t close = q.rfind('"');
  const std::string_view quoted = std::string_view(q).substr(0, close + 1), rest = std::string_view(q).substr(close + 1);
  const size_t left = s.size() > 256 ? std::stoul(std::string(rest.substr(std::min(rest.size(), size_t{5})))) : 0;
  FUZZ_CHECK(q.size() >= 2 && q.front() == '"' && close > 0 && fuzz::utf8(q));
  FUZZ_CHECK(left == 0 ? rest.empty() : rest == "... (" + std::to_string(left) + (left == 1 ? " more byte)" : " more bytes)"));
  FUZZ_CHECK(s.size() - left <= 256 && left <= s.size() && (s.size() <= 256 || s.size() - left >= 256 - 3));
  FUZZ_CHECK(!plain || quoted == '"' + std::string(s.substr(0, s.size() - left)) + '"');
  const auto label = fuzz::twice([&] { return silvantrope::context::parse_context_label(s); });
  const std::string m = label ? "" : std::string(label.error().message());
  FUZZ_CHECK(label ? label->text == s && s.ends_with("/v" + std::to_string(label->version))
                   : m.starts_with("malformed canonical leaf: context label ") && m.ends_with(": " + q));
  return 0;
}
