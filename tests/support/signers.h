#pragma once

// Deterministic signers for test fixtures. Every key is derived from a small
// integer seed and every signature is deterministic (RFC 8032 EdDSA, FIPS 204
// ML-DSA with rnd = 0^32, RFC 6979 ECDSA), so a fixture built twice is
// byte-for-byte the same. Test-only: none of this is linked into the library.
//
// A composite signature scheme pairs a classical signature with an ML-DSA one.
// Its "scheme bytes" are the type byte followed by the components, classical
// first, with no separators; tokens are their padded base64 (RFC 4648 §4).
// Every component signs frame(ctx, m) = u64be(len(ctx)) || ctx || m.
//
//   type  classical                    ML-DSA
//   0x01  Ed25519                      ML-DSA-44
//   0x02  Ed25519                      ML-DSA-65
//   0x03  Ed25519                      ML-DSA-87
//   0x10  (none)                       ML-DSA-87
//   0x13  Ed448                        ML-DSA-65
//   0x14  ECDSA P-521 with SHA-512     ML-DSA-87
//
// Ed25519 and Ed448 keys and signatures are raw RFC 8032 encodings. A P-521
// public key is the uncompressed SEC1 point 0x04 || X || Y and a signature is
// r || s, each a 66-byte big-endian integer. ML-DSA keys and signatures are
// the FIPS 204 encodings; signing is pure ML-DSA with an empty context string.

#include <openssl/types.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace test_support {

using Bytes = std::vector<uint8_t>;

enum class SchemeType : uint8_t {
  EdMlDsa44 = 0x01,
  EdMlDsa65 = 0x02,
  EdMlDsa87 = 0x03,
  MlDsa87 = 0x10,
  Ed448MlDsa65 = 0x13,
  P521MlDsa87 = 0x14,
};

// The six schemes, in type-byte order.
const std::array<SchemeType, 6>& all_scheme_types();
// "Ed25519+ML-DSA-44" and so on; suitable for test names after sanitising.
std::string_view scheme_name(SchemeType type);

// u64be(len(ctx)) || ctx || m.
Bytes frame_message(std::string_view ctx, const Bytes& m);

// Standard padded base64 (RFC 4648 §4), no line breaks.
std::string base64(const Bytes& data);
// Strict inverse of base64(): nullopt on any character outside the alphabet,
// a length that is not a multiple of four, misplaced padding or non-zero
// padding bits.
std::optional<Bytes> base64_decode(std::string_view text);

// The two halves of a composite key or signature. `classical` is empty for
// the ML-DSA-only scheme.
struct SchemeParts {
  Bytes classical;
  Bytes mldsa;
};

// type || classical || mldsa: lets a test reassemble a signature or key after
// corrupting or swapping one component.
Bytes join_scheme_bytes(SchemeType type, const SchemeParts& parts);

// Holds the component private keys of one composite scheme.
class SchemeSigner {
 public:
  SchemeSigner(SchemeType type, uint64_t seed);
  SchemeSigner(const SchemeSigner& other);
  SchemeSigner& operator=(const SchemeSigner& other);
  SchemeSigner(SchemeSigner&&) noexcept = default;
  SchemeSigner& operator=(SchemeSigner&&) noexcept = default;
  ~SchemeSigner() = default;

  SchemeType type() const { return type_; }

  // Scheme bytes of the public key, type byte first.
  Bytes public_key() const;
  const SchemeParts& public_components() const { return public_; }

  // Scheme bytes of a signature over frame(ctx, message).
  Bytes sign(std::string_view ctx, const Bytes& message) const;
  // The component signatures over frame(ctx, message), unassembled.
  SchemeParts sign_components(std::string_view ctx, const Bytes& message) const;

 private:
  struct PkeyFree {
    void operator()(EVP_PKEY* key) const;
  };
  using Pkey = std::unique_ptr<EVP_PKEY, PkeyFree>;

  SchemeType type_;
  Pkey classical_;  // null for MlDsa87
  Pkey mldsa_;
  SchemeParts public_;
};

// Plain RFC 8032 Ed25519 over the message itself, no framing. Backed by
// libsodium, so that OpenSSL can check it independently.
class Ed25519Signer {
 public:
  explicit Ed25519Signer(uint64_t seed);
  // The 32-byte RFC 8032 private key itself.
  static Ed25519Signer from_private_key(const Bytes& private_key);

  Bytes public_key() const;                   // 32 bytes
  Bytes sign(const Bytes& message) const;     // 64 bytes

 private:
  Ed25519Signer() = default;
  std::array<uint8_t, 64> secret_{};  // libsodium layout: private key || public key
};

}  // namespace test_support
