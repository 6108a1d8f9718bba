// SPDX-License-Identifier: Apache-2.0
#pragma once

// The signatures a checkpoint verifier checks, as bare floors: the log's
// signature over the note body and each witness's cosignature over its
// cosigned message, each verified with nothing prepared.

#include <sodium.h>

#include <string>
#include <vector>

#include "floors.h"
#include "notes.h"

namespace bench {

struct SignatureCheck {
  std::vector<uint8_t> key, sig, message;

  // Ed25519 keys (32 bytes) with libsodium, ML-DSA-44 ones with OpenSSL.
  bool verify() const {
    return key.size() == 32 ? crypto_sign_verify_detached(sig.data(), message.data(), message.size(), key.data()) == 0
                            : bare_openssl("ML-DSA-44", key, sig, message);
  }
};

inline SignatureCheck log_check(const test_support::NoteKey& log, const std::string& body) {
  const std::vector<uint8_t> data = log.key_data();  // the type byte, then the key
  return {{data.begin() + 1, data.end()}, log.sign(body), {body.begin(), body.end()}};
}

inline SignatureCheck cosignature_check(const test_support::Cosigner& w, const std::string& origin, uint64_t size,
                                        const std::vector<uint8_t>& root, uint64_t timestamp) {
  const std::vector<uint8_t> data = w.key_data(), cs = w.cosign(origin, size, root, {}, timestamp);
  // The cosignature is the timestamp (8 bytes), then the signature.
  return {{data.begin() + 1, data.end()}, {cs.begin() + 8, cs.end()}, w.message(origin, size, root, {}, timestamp)};
}

}  // namespace bench
