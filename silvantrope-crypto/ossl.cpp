// SPDX-License-Identifier: Apache-2.0
#include "silvantrope-crypto/ossl.h"

#include <openssl/err.h>

#include <array>

#include "core/fault.h"

namespace silvantrope::crypto::ossl {
namespace {

EVP_SIGNATURE* fetch(const char* name) {
  EVP_SIGNATURE* s = EVP_SIGNATURE_fetch(nullptr, name, nullptr);
  if (s == nullptr) throw InternalFault(std::string("libcrypto has no ") + name);
  return s;
}

}  // namespace

EVP_SIGNATURE* signature_algorithm(SignatureAlgorithm alg) {
  // In SignatureAlgorithm order.
  static const std::array<EVP_SIGNATURE*, 6> fetched = {
      fetch("ML-DSA-44"), fetch("ML-DSA-65"), fetch("ML-DSA-87"),
      fetch("ED25519"),   fetch("ED448"),     fetch("ECDSA-SHA512"),
  };
  return fetched.at(static_cast<size_t>(alg));
}

Pkey raw_public_key(const char* name, ByteView key) {
  Pkey k(EVP_PKEY_new_raw_public_key_ex(nullptr, name, nullptr, key.data(), key.size()));
  if (!k) ERR_clear_error();
  return k;
}

bool verify_message(EVP_PKEY* key, SignatureAlgorithm alg, ByteView signature, ByteView message) {
  if (key == nullptr) return false;
  EVP_SIGNATURE* sig_alg = signature_algorithm(alg);
  PkeyCtx ctx(EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr));
  if (!ctx) throw std::bad_alloc();
  const bool ok = EVP_PKEY_verify_message_init(ctx.get(), sig_alg, nullptr) == 1 &&
                  EVP_PKEY_verify(ctx.get(), signature.data(), signature.size(), message.data(),
                                  message.size()) == 1;
  // A rejected signature leaves reasons on this thread's error queue; they
  // are not ours to keep.
  if (!ok) ERR_clear_error();
  return ok;
}

}  // namespace silvantrope::crypto::ossl
