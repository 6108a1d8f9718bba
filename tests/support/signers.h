// SPDX-License-Identifier: Apache-2.0
#pragma once

// Deterministic signers for fixtures: keys derive from a small seed, and
// signing is deterministic (RFC 8032 EdDSA, FIPS 204 ML-DSA with rnd = 0^32,
// RFC 6979 ECDSA), so a fixture built twice is the same byte for byte.
//
// A composite scheme's bytes are its type byte, then the classical component,
// then the ML-DSA one; every component signs u64be(len(ctx)) || ctx || m.
//   0x01 Ed25519 + ML-DSA-44   0x02 Ed25519 + ML-DSA-65   0x03 Ed25519 + ML-DSA-87
//   0x10 ML-DSA-87 alone       0x13 Ed448 + ML-DSA-65     0x14 P-521 (r || s) + ML-DSA-87

#include <openssl/types.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace test_support {

using Bytes = std::vector<uint8_t>;
using Key = std::shared_ptr<EVP_PKEY>;

enum class SchemeType : uint8_t {
  EdMlDsa44 = 0x01,
  EdMlDsa65 = 0x02,
  EdMlDsa87 = 0x03,
  MlDsa87 = 0x10,
  Ed448MlDsa65 = 0x13,
  P521MlDsa87 = 0x14,
};

const std::array<SchemeType, 6>& all_scheme_types();
std::string_view scheme_name(SchemeType type);
Bytes frame_message(std::string_view ctx, const Bytes& m);
std::string base64(const Bytes& data);  // standard, padded

struct SchemeParts {
  Bytes classical;  // empty for ML-DSA-87 alone
  Bytes mldsa;
};
Bytes join_scheme_bytes(SchemeType type, const SchemeParts& parts);

class SchemeSigner {
 public:
  SchemeSigner(SchemeType type, uint64_t seed);
  SchemeType type() const { return type_; }
  Bytes public_key() const { return join_scheme_bytes(type_, public_); }
  Bytes sign(std::string_view ctx, const Bytes& message) const { return join_scheme_bytes(type_, sign_components(ctx, message)); }
  SchemeParts sign_components(std::string_view ctx, const Bytes& message) const;
  const SchemeParts& public_components() const { return public_; }

 private:
  SchemeType type_;
  Key classical_, mldsa_;
  SchemeParts public_;
};

// Plain RFC 8032 Ed25519 over the message itself.
class Ed25519Signer {
 public:
  explicit Ed25519Signer(uint64_t seed);
  Bytes public_key() const;  // 32 bytes
  Bytes sign(const Bytes& message) const;

 private:
  Key key_;
};

// FIPS 204 pure ML-DSA-44 with an empty context, over the message itself.
class MlDsa44Signer {
 public:
  explicit MlDsa44Signer(uint64_t seed);
  Bytes public_key() const;  // 1312 bytes
  Bytes sign(const Bytes& message) const;

 private:
  Key key_;
};

}  // namespace test_support
