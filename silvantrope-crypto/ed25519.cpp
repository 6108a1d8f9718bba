// SPDX-License-Identifier: Apache-2.0
#include "silvantrope-crypto/ed25519.h"

#include <sodium.h>

#include "core/fault.h"

namespace silvantrope::crypto {
namespace {

void ensure_sodium() {
  static const bool ready = sodium_init() >= 0;
  if (!ready) throw InternalFault("libsodium failed to initialise");
}

}  // namespace

bool verify_ed25519_strict(ByteView public_key, ByteView signature, ByteView message) {
  if (public_key.size() != crypto_sign_PUBLICKEYBYTES || signature.size() != crypto_sign_BYTES) {
    return false;
  }
  ensure_sodium();
  // libsodium's check rejects small-order keys and R values, non-canonical
  // keys and non-canonical s.
  return crypto_sign_verify_detached(signature.data(), message.data(), message.size(),
                                     public_key.data()) == 0;
}

}  // namespace silvantrope::crypto
