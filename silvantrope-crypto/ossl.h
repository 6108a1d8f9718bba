// SPDX-License-Identifier: Apache-2.0
#pragma once

// Owning handles for OpenSSL objects, and the algorithm objects fetched once
// per process and shared read-only by every thread.

#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/evp.h>

#include <memory>

#include "core/bytes.h"

namespace silvantrope::crypto::ossl {

struct PkeyFree {
  void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
};
struct PkeyCtxFree {
  void operator()(EVP_PKEY_CTX* p) const { EVP_PKEY_CTX_free(p); }
};
struct BnFree {
  void operator()(BIGNUM* p) const { BN_free(p); }
};
struct BnCtxFree {
  void operator()(BN_CTX* p) const { BN_CTX_free(p); }
};
struct EcPointFree {
  void operator()(EC_POINT* p) const { EC_POINT_free(p); }
};

using Pkey = std::unique_ptr<EVP_PKEY, PkeyFree>;
using PkeyCtx = std::unique_ptr<EVP_PKEY_CTX, PkeyCtxFree>;
using Bignum = std::unique_ptr<BIGNUM, BnFree>;
using BnCtx = std::unique_ptr<BN_CTX, BnCtxFree>;
using EcPoint = std::unique_ptr<EC_POINT, EcPointFree>;

enum class SignatureAlgorithm { MlDsa44, MlDsa65, MlDsa87, Ed25519, Ed448, EcdsaSha512 };

// The fetched signature algorithm; throws InternalFault if libcrypto lacks it.
EVP_SIGNATURE* signature_algorithm(SignatureAlgorithm alg);

// A public key from its raw bytes under an algorithm name ("ED25519",
// "ML-DSA-44", ...); empty when OpenSSL refuses the bytes.
Pkey raw_public_key(const char* name, ByteView key);

// One-shot message verification under a fetched algorithm: true only when
// OpenSSL says the signature is valid. Any failure to set up is false.
bool verify_message(EVP_PKEY* key, SignatureAlgorithm alg, ByteView signature, ByteView message);

}  // namespace silvantrope::crypto::ossl
