// SPDX-License-Identifier: Apache-2.0
#include "silvantrope-crypto/token.h"

namespace silvantrope::crypto {
namespace {

int value_of(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

CryptoError invalid_symbol(const char* kind, char c, size_t offset) {
  return CryptoError::base64(std::string(kind) + std::to_string(static_cast<uint8_t>(c)) +
                             ", offset " + std::to_string(offset) + ".");
}

}  // namespace

Expected<Bytes, CryptoError> decode_token(std::string_view token) {
  size_t pad = 0;
  while (pad < token.size() && token[token.size() - 1 - pad] == '=') ++pad;
  const size_t n = token.size() - pad;  // symbols before the padding

  for (size_t i = 0; i < n; ++i) {
    if (value_of(token[i]) < 0) return invalid_symbol("Invalid symbol ", token[i], i);
  }
  // Padding may only follow two or three symbols of a group.
  if (pad > 0 && n % 4 < 2) return invalid_symbol("Invalid symbol ", '=', n);
  if (n % 4 == 1) return CryptoError::base64("Invalid input length: " + std::to_string(n));
  const size_t canonical_pad = n % 4 == 0 ? 0 : 4 - n % 4;
  if (pad != canonical_pad) return CryptoError::base64("Invalid padding");

  // The bits of the last symbol that fall outside the last byte must be zero.
  if (n % 4 != 0) {
    const int unused = n % 4 == 2 ? 0x0F : 0x03;
    if ((value_of(token[n - 1]) & unused) != 0) {
      return invalid_symbol("Invalid last symbol ", token[n - 1], n - 1);
    }
  }

  Bytes out;
  out.reserve(n * 3 / 4);
  uint32_t acc = 0;
  int bits = 0;
  for (size_t i = 0; i < n; ++i) {
    acc = (acc << 6) | static_cast<uint32_t>(value_of(token[i]));
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<uint8_t>(acc >> bits));
    }
  }
  return out;
}

}  // namespace silvantrope::crypto
