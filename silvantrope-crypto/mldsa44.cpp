#include "silvantrope-crypto/mldsa44.h"

#include <openssl/err.h>

#include "silvantrope-crypto/ossl.h"

namespace silvantrope::crypto {

bool verify_mldsa44(ByteView public_key, ByteView signature, ByteView message) {
  if (public_key.size() != 1312 || signature.size() != 2420) return false;
  ossl::Pkey key(EVP_PKEY_new_raw_public_key_ex(nullptr, "ML-DSA-44", nullptr, public_key.data(),
                                                public_key.size()));
  if (!key) {
    ERR_clear_error();
    return false;
  }
  return ossl::verify_message(key.get(), ossl::SignatureAlgorithm::MlDsa44, signature, message);
}

}  // namespace silvantrope::crypto
