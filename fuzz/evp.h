#pragma once

// Digests and Ed25519 straight from libcrypto's EVP interface, for harnesses
// that recompute what the library derives.

#include <openssl/evp.h>

#include <string>
#include <string_view>

#include "support.h"

namespace fuzz {

inline const EVP_MD* evp_md(const char* name) {
  const EVP_MD* m = EVP_MD_fetch(nullptr, name, nullptr);
  FUZZ_CHECK(m != nullptr, std::string("libcrypto lacks ") + name);
  return m;
}

inline Bytes evp_digest(const EVP_MD* m, const uint8_t* p, size_t n) {
  Bytes out(static_cast<size_t>(EVP_MD_get_size(m)));
  unsigned int len = 0;
  static const uint8_t nothing = 0;
  FUZZ_CHECK(EVP_Digest(n == 0 ? &nothing : p, n, out.data(), &len, m, nullptr) == 1, "EVP_Digest");
  FUZZ_CHECK(len == out.size(), "digest size");
  return out;
}
inline Bytes evp_digest(const EVP_MD* m, const Bytes& b) { return evp_digest(m, b.data(), b.size()); }

inline const EVP_MD* sha256() {
  static const EVP_MD* const m = evp_md("SHA2-256");
  return m;
}
inline const EVP_MD* sha512() {
  static const EVP_MD* const m = evp_md("SHA2-512");
  return m;
}
inline const EVP_MD* sha3_512() {
  static const EVP_MD* const m = evp_md("SHA3-512");
  return m;
}

// SHA3-512(BE64(len(context)) || context || message).
inline Bytes context_hash(std::string_view context, const Bytes& message) {
  Bytes m;
  put_be64(m, context.size());
  put_bytes(m, reinterpret_cast<const uint8_t*>(context.data()), context.size());
  put_bytes(m, message.data(), message.size());
  return evp_digest(sha3_512(), m);
}

// An Ed25519 key from a fixed seed, kept for the process.
class Ed25519Key {
 public:
  explicit Ed25519Key(const uint8_t seed[32]) {
    key_ = EVP_PKEY_new_raw_private_key(EVP_PKEY_ED25519, nullptr, seed, 32);
    FUZZ_CHECK(key_ != nullptr, "Ed25519 key");
    public_.resize(32);
    size_t len = public_.size();
    FUZZ_CHECK(EVP_PKEY_get_raw_public_key(key_, public_.data(), &len) == 1 && len == 32,
               "Ed25519 public key");
  }
  Ed25519Key(const Ed25519Key&) = delete;
  Ed25519Key& operator=(const Ed25519Key&) = delete;

  const Bytes& public_key() const { return public_; }

  Bytes sign(std::string_view message) const {
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    FUZZ_CHECK(ctx != nullptr && EVP_DigestSignInit(ctx, nullptr, nullptr, nullptr, key_) == 1,
               "Ed25519 sign init");
    Bytes sig(64);
    size_t len = sig.size();
    FUZZ_CHECK(EVP_DigestSign(ctx, sig.data(), &len, reinterpret_cast<const uint8_t*>(message.data()),
                              message.size()) == 1 &&
                   len == 64,
               "Ed25519 sign");
    EVP_MD_CTX_free(ctx);
    return sig;
  }

 private:
  EVP_PKEY* key_ = nullptr;
  Bytes public_;
};

// s + L for a little-endian scalar s < L, L the order of the Ed25519 base
// point: the same scalar modulo L, in a form a strict verifier refuses.
inline void add_group_order(uint8_t* s) {
  static const uint8_t order[32] = {0xed, 0xd3, 0xf5, 0x5c, 0x1a, 0x63, 0x12, 0x58, 0xd6, 0x9c, 0xf7,
                                    0xa2, 0xde, 0xf9, 0xde, 0x14, 0,    0,    0,    0,    0,    0,
                                    0,    0,    0,    0,    0,    0,    0,    0,    0,    0x10};
  unsigned carry = 0;
  for (int i = 0; i < 32; ++i) {
    const unsigned v = s[i] + order[i] + carry;
    s[i] = static_cast<uint8_t>(v);
    carry = v >> 8;
  }
}

// RFC 8032 verification by libcrypto: false for any length other than 32/64.
inline bool ed25519_verifies(const Bytes& public_key, const Bytes& sig, std::string_view message) {
  if (public_key.size() != 32 || sig.size() != 64) return false;
  EVP_PKEY* key = EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, public_key.data(), 32);
  if (key == nullptr) return false;
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  FUZZ_CHECK(ctx != nullptr, "EVP_MD_CTX_new");
  bool ok = EVP_DigestVerifyInit(ctx, nullptr, nullptr, nullptr, key) == 1 &&
            EVP_DigestVerify(ctx, sig.data(), sig.size(), reinterpret_cast<const uint8_t*>(message.data()),
                             message.size()) == 1;
  EVP_MD_CTX_free(ctx);
  EVP_PKEY_free(key);
  return ok;
}

}  // namespace fuzz
