// SPDX-License-Identifier: Apache-2.0
#pragma once

// Post-quantum and hybrid signature schemes. A key or signature travels as a
// token: standard base64 of scheme bytes whose first byte names the scheme,
// followed by the components (classical first, then ML-DSA) with no
// separators. Every component signs the framed message
// BE64(len(context)) || context || message.

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "core/bytes.h"
#include "core/enums.h"
#include "core/expected.h"
#include "silvantrope-crypto/crypto_error.h"

namespace silvantrope::crypto {

enum class Classical : uint8_t { None, Ed25519, Ed448, EcdsaP521 };

struct SchemeRow {
  uint8_t type;
  CheckpointSuite suite;
  uint8_t level;  // 0, 1, 2: ML-DSA-44, -65, -87
  Classical classical;
  size_t classical_key;
  size_t classical_sig;
  size_t mldsa_key;
  size_t mldsa_sig;
  size_t public_key_length() const { return 1 + classical_key + mldsa_key; }
  size_t signature_length() const { return 1 + classical_sig + mldsa_sig; }
};

// The row of a type byte, or nothing for an unknown type.
const SchemeRow* scheme_row(uint8_t type);

struct SignatureClass {
  CheckpointSuite suite;
  uint8_t level;
};
std::optional<SignatureClass> classify_signature_type(uint8_t type);

Bytes frame_message(ByteView context, ByteView message);

// The OpenSSL objects of one public key, built on first use and reused for
// every signature checked against it during a call.
class PreparedKey {
 public:
  explicit PreparedKey(ByteView scheme_bytes);
  ~PreparedKey();
  PreparedKey(PreparedKey&&) noexcept;
  PreparedKey(const PreparedKey&) = delete;
  PreparedKey& operator=(const PreparedKey&) = delete;

  ByteView bytes() const { return bytes_; }

  // Verifies one component of a row; the key bytes must already have the
  // row's length.
  bool verify_classical(const SchemeRow& row, ByteView sig, ByteView framed);
  bool verify_mldsa(const SchemeRow& row, ByteView sig, ByteView framed);

 private:
  struct Objects;
  ByteView bytes_;
  std::unique_ptr<Objects> objects_;
};

// Verifies scheme bytes of a signature against scheme bytes of a public key:
// true when every component verifies; false for a well-formed pair that does
// not verify, does not match or has the wrong lengths; an error for an
// unknown or missing composite version tag.
Expected<bool, CryptoError> verify_signature_bytes(ByteView message, ByteView context,
                                                   ByteView signature, PreparedKey& key);

// The same over tokens, which are decoded first (signature, then key).
Expected<bool, CryptoError> verify_signature(ByteView message, ByteView context,
                                             std::string_view signature_token,
                                             std::string_view key_token);

}  // namespace silvantrope::crypto
