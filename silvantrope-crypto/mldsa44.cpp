// SPDX-License-Identifier: Apache-2.0
#include "silvantrope-crypto/mldsa44.h"

#include "silvantrope-crypto/ossl.h"

namespace silvantrope::crypto {

bool verify_mldsa44(ByteView public_key, ByteView signature, ByteView message) {
  if (public_key.size() != 1312 || signature.size() != 2420) return false;
  const ossl::Pkey key = ossl::raw_public_key("ML-DSA-44", public_key);
  return ossl::verify_message(key.get(), ossl::SignatureAlgorithm::MlDsa44, signature, message);
}

}  // namespace silvantrope::crypto
