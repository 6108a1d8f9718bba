// SPDX-License-Identifier: Apache-2.0
// The base64 and hex codecs on the whole input, as bytes and as text (see README.md).

#include "encoding/base64.h"
#include "silvantrope-crypto/token.h"
#include "support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace enc = silvantrope::encoding;
  const fuzz::Bytes x(data, data + size);
  const std::string_view t = fuzz::text(x);

  const std::string e = enc::base64_encode(x);
  const auto e_note = enc::base64_decode(e);
  const auto e_token = silvantrope::crypto::decode_token(e);
  FUZZ_CHECK(e_note && *e_note == x && e_token && *e_token == x);

  const auto note = enc::base64_decode(t);
  const size_t eq = t.find('=');
  const bool padding_last = eq == std::string_view::npos || t.find_first_not_of('=', eq) == std::string_view::npos;
  const auto back = enc::base64_decode(note ? enc::base64_encode(*note) : std::string());
  FUZZ_CHECK(note ? back && *back == *note && (enc::base64_encode(*note) == t) == padding_last
                  : note.error().message().starts_with("malformed signed note: "));

  const auto token = silvantrope::crypto::decode_token(t);
  FUZZ_CHECK(token ? enc::base64_encode(*token) == t && note && *note == *token
                   : token.error().message().starts_with("base64 decode: ") && fuzz::utf8(token.error().message()));

  const auto hex = enc::hex_decode(t);
  FUZZ_CHECK(hex ? hex->size() * 2 == t.size() : hex.error().message() == "malformed signed note: invalid hex character");
  return 0;
}
