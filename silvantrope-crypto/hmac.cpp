// SPDX-License-Identifier: Apache-2.0
#include "silvantrope-crypto/hmac.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>

#include <memory>

#include "core/fault.h"

namespace silvantrope::crypto {
namespace {

struct MacCtxFree {
  void operator()(EVP_MAC_CTX* p) const { EVP_MAC_CTX_free(p); }
};

// Fetched once per process, like the digests; each call gets its own context.
EVP_MAC* hmac() {
  static EVP_MAC* const mac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
  if (mac == nullptr) throw InternalFault("HMAC unavailable in libcrypto");
  return mac;
}

}  // namespace

Hash32 hmac_sha256(ByteView key, ByteView message1, ByteView message2) {
  std::unique_ptr<EVP_MAC_CTX, MacCtxFree> ctx(EVP_MAC_CTX_new(hmac()));
  char digest[] = "SHA2-256";
  const OSSL_PARAM params[] = {
      OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0), OSSL_PARAM_construct_end()};
  Hash32 out;
  size_t written = 0;
  if (!ctx || EVP_MAC_init(ctx.get(), key.data(), key.size(), params) != 1 ||
      EVP_MAC_update(ctx.get(), message1.data(), message1.size()) != 1 ||
      EVP_MAC_update(ctx.get(), message2.data(), message2.size()) != 1 ||
      EVP_MAC_final(ctx.get(), out.data(), &written, out.size()) != 1 || written != out.size()) {
    throw InternalFault("HMAC-SHA256 failed");
  }
  return out;
}

}  // namespace silvantrope::crypto
