// SPDX-License-Identifier: Apache-2.0
// The SHA256_* functions are deprecated in OpenSSL 3 in favour of EVP, and kept:
// they are its SHA-256 without the dispatch.
#define OPENSSL_SUPPRESS_DEPRECATED
#include "silvantrope-crypto/digest.h"

#include <openssl/evp.h>
#include <openssl/sha.h>

#include "core/fault.h"
#include "silvantrope-crypto/sha256_short.h"

namespace silvantrope::crypto {
namespace {

// OpenSSL 3 fetches an implementation on every call that names an algorithm
// implicitly; fetching once and sharing the read-only object avoids that
// lookup and its lock on every hash.
const EVP_MD* fetched(DigestAlgorithm algorithm) {
  static const EVP_MD* const sha256 = EVP_MD_fetch(nullptr, "SHA2-256", nullptr);
  static const EVP_MD* const sha512 = EVP_MD_fetch(nullptr, "SHA2-512", nullptr);
  static const EVP_MD* const sha3_512 = EVP_MD_fetch(nullptr, "SHA3-512", nullptr);
  const EVP_MD* md = nullptr;
  switch (algorithm) {
    case DigestAlgorithm::Sha256: md = sha256; break;
    case DigestAlgorithm::Sha512: md = sha512; break;
    case DigestAlgorithm::Sha3_512: md = sha3_512; break;
  }
  if (md == nullptr) throw InternalFault("digest algorithm unavailable in libcrypto");
  return md;
}

// Contexts initialised for one algorithm each, waiting for the thread's next
// Digest. Nested Digests of one algorithm take one context each; at most
// kKept per algorithm are kept, the rest freed.
class ContextPool {
 public:
  ~ContextPool() {
    for (Kept& k : kept_) {
      for (size_t i = 0; i < k.count; ++i) EVP_MD_CTX_free(k.ctx[i]);
    }
  }

  // An initialised context, or null when the pool has none.
  EVP_MD_CTX* take(DigestAlgorithm a) {
    Kept& k = kept_[static_cast<size_t>(a)];
    return k.count == 0 ? nullptr : k.ctx[--k.count];
  }

  void give(DigestAlgorithm a, EVP_MD_CTX* ctx) {
    Kept& k = kept_[static_cast<size_t>(a)];
    if (k.count == kKept) {
      EVP_MD_CTX_free(ctx);
    } else {
      k.ctx[k.count++] = ctx;
    }
  }

 private:
  static constexpr size_t kKept = 4;
  struct Kept {
    EVP_MD_CTX* ctx[kKept];
    size_t count = 0;
  };
  Kept kept_[3];
};

thread_local ContextPool pool;

}  // namespace

Digest::Digest(DigestAlgorithm algorithm) : algorithm_(algorithm), size_(32) {
  if (algorithm == DigestAlgorithm::Sha256) {
    reset();
    return;
  }
  md_ = fetched(algorithm);
  ctx_ = pool.take(algorithm);
  size_ = static_cast<size_t>(EVP_MD_get_size(md_));
  if (ctx_ != nullptr) {
    fresh_ = true;  // handed back initialised
    return;
  }
  ctx_ = EVP_MD_CTX_new();
  if (ctx_ == nullptr) throw std::bad_alloc();
  try {
    reset();
  } catch (...) {
    EVP_MD_CTX_free(ctx_);
    throw;
  }
}

Digest::~Digest() {
  if (ctx_ == nullptr) return;  // SHA-256
  // A context holding part of a message is started afresh before it is
  // kept; one that cannot be is not kept.
  if (!fresh_ && EVP_DigestInit_ex2(ctx_, md_, nullptr) != 1) {
    EVP_MD_CTX_free(ctx_);
    return;
  }
  pool.give(algorithm_, ctx_);
}

void Digest::reset() {
  const bool ok = ctx_ == nullptr ? SHA256_Init(&sha256_) == 1 : EVP_DigestInit_ex2(ctx_, md_, nullptr) == 1;
  if (!ok) throw InternalFault("digest init failed");
  fresh_ = true;
}

Digest& Digest::init() {
  if (!fresh_) reset();
  return *this;
}

Digest& Digest::update(ByteView data) {
  const bool ok = ctx_ == nullptr ? SHA256_Update(&sha256_, data.data(), data.size()) == 1
                                  : EVP_DigestUpdate(ctx_, data.data(), data.size()) == 1;
  if (!ok) {
    throw InternalFault("digest update failed");
  }
  fresh_ = false;
  return *this;
}

void Digest::final(uint8_t* out) {
  const bool ok = ctx_ == nullptr ? SHA256_Final(out, &sha256_) == 1 : EVP_DigestFinal_ex(ctx_, out, nullptr) == 1;
  if (!ok) throw InternalFault("digest final failed");
  reset();
}

void Digest::check_size(size_t n) const {
  if (n != size_) throw InternalFault("digest output size mismatch");
}

Hash32 sha256(ByteView data) {
  Hash32 out;
  if (sha256_if_short(data, out.data())) return out;
  Digest d(DigestAlgorithm::Sha256);
  return d.update(data).final<32>();
}

}  // namespace silvantrope::crypto
