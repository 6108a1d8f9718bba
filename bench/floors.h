// SPDX-License-Identifier: Apache-2.0
#pragma once

// Primitive floors shared by the benchmarks.

#include <openssl/evp.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace bench {

// RFC 6962 leaf and node hashes as a plain OpenSSL loop does them: a
// prefetched algorithm, one reused context, one digest per hash.
class Sha256 {
 public:
  Sha256() : md_(EVP_MD_fetch(nullptr, "SHA2-256", nullptr)), ctx_(EVP_MD_CTX_new()) {}
  ~Sha256() {
    EVP_MD_CTX_free(ctx_);
    EVP_MD_free(md_);
  }
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  // SHA-256(0x00 || entry).
  void leaf(const uint8_t* entry, size_t n, uint8_t* out) {
    const uint8_t zero = 0;
    EVP_DigestInit_ex2(ctx_, md_, nullptr);
    EVP_DigestUpdate(ctx_, &zero, 1);
    EVP_DigestUpdate(ctx_, entry, n);
    EVP_DigestFinal_ex(ctx_, out, nullptr);
  }
  // SHA-256(0x01 || left || right); out may be left or right.
  void node(const uint8_t* left, const uint8_t* right, uint8_t* out) {
    uint8_t m[65];
    m[0] = 0x01;
    std::copy(left, left + 32, m + 1);
    std::copy(right, right + 32, m + 33);
    EVP_DigestInit_ex2(ctx_, md_, nullptr);
    EVP_DigestUpdate(ctx_, m, sizeof m);
    EVP_DigestFinal_ex(ctx_, out, nullptr);
  }

 private:
  EVP_MD* md_;
  EVP_MD_CTX* ctx_;
};

// Chains RFC 6962 node hashes over `hashes`: SHA-256(0x01 || seed || p), and
// nothing else.
class NodeHashFloor {
 public:
  const uint8_t* chain(const std::vector<std::vector<uint8_t>>& hashes, size_t count) {
    for (size_t i = 0; i < count; ++i) sha_.node(seed_, hashes[i].data(), seed_);
    return seed_;
  }

 private:
  Sha256 sha_;
  uint8_t seed_[32] = {};
};

// One signature verification through OpenSSL's EVP with every object made
// anew, as a caller with nothing prepared would do it.
inline bool bare_openssl(const char* name, const std::vector<uint8_t>& key, const std::vector<uint8_t>& sig,
                         const std::vector<uint8_t>& message) {
  EVP_PKEY* pkey = EVP_PKEY_new_raw_public_key_ex(nullptr, name, nullptr, key.data(), key.size());
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  const bool ok = EVP_DigestVerifyInit_ex(ctx, nullptr, nullptr, nullptr, nullptr, pkey, nullptr) == 1 &&
                  EVP_DigestVerify(ctx, sig.data(), sig.size(), message.data(), message.size()) == 1;
  EVP_MD_CTX_free(ctx);
  EVP_PKEY_free(pkey);
  return ok;
}

// The root a proof for leaf 0 of a perfect tree verifies against.
inline std::vector<uint8_t> leftmost_root(std::vector<uint8_t> root, const std::vector<std::vector<uint8_t>>& proof) {
  for (const auto& p : proof) {
    std::vector<uint8_t> m{0x01};
    m.insert(m.end(), root.begin(), root.end());
    m.insert(m.end(), p.begin(), p.end());
    EVP_Digest(m.data(), m.size(), root.data(), nullptr, EVP_sha256(), nullptr);
  }
  return root;
}

}  // namespace bench
