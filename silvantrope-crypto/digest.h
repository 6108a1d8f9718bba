// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include <openssl/sha.h>

#include "core/bytes.h"

struct evp_md_ctx_st;
struct evp_md_st;

namespace silvantrope::crypto {

enum class DigestAlgorithm { Sha256, Sha512, Sha3_512 };

// One reusable hashing context for one algorithm. The algorithm object is
// fetched from OpenSSL once per process and shared. The context is borrowed
// from a small pool of the calling thread and handed back, initialised, when
// the Digest goes: after a thread's first call nothing is allocated and no
// reference count shared between threads is touched.
class Digest {
 public:
  explicit Digest(DigestAlgorithm algorithm);
  ~Digest();
  Digest(const Digest&) = delete;
  Digest& operator=(const Digest&) = delete;

  size_t size() const { return size_; }

  // Discards anything hashed since the last final(); free when nothing was.
  Digest& init();
  Digest& update(ByteView data);
  // Writes size() bytes to out and starts a fresh message.
  void final(uint8_t* out);

  template <size_t N>
  std::array<uint8_t, N> final() {
    std::array<uint8_t, N> out;
    check_size(N);
    final(out.data());
    return out;
  }

 private:
  void check_size(size_t n) const;

  void reset();

  DigestAlgorithm algorithm_;
  const evp_md_st* md_ = nullptr;
  evp_md_ctx_st* ctx_ = nullptr;  // unused for SHA-256
  size_t size_;
  bool fresh_ = false;  // the context holds no partial message
  // SHA-256, the hash of every Merkle node, runs on OpenSSL's SHA-256
  // functions directly: the EVP dispatch costs about an eighth of a node hash.
  SHA256_CTX sha256_;
};

Hash32 sha256(ByteView data);

}  // namespace silvantrope::crypto
