#include "rfc6962_tree.h"

#include <openssl/evp.h>

#include <stdexcept>

namespace test_support {
namespace {

size_t largest_power_of_two_below(size_t n) {
  size_t k = 1;
  while (k * 2 < n) k *= 2;
  return k;
}


}  // namespace

Bytes sha256(const Bytes& data) {
  Bytes out(32);
  unsigned int n = 0;
  if (EVP_Digest(data.data(), data.size(), out.data(), &n, EVP_sha256(), nullptr) != 1) {
    throw std::runtime_error("SHA-256 failed");
  }
  return out;
}

Bytes leaf_hash(const Bytes& data) {
  Bytes m{0x00};
  m.insert(m.end(), data.begin(), data.end());
  return sha256(m);
}

Bytes node_hash(const Bytes& left, const Bytes& right) {
  Bytes m{0x01};
  m.insert(m.end(), left.begin(), left.end());
  m.insert(m.end(), right.begin(), right.end());
  return sha256(m);
}

Rfc6962Tree::Rfc6962Tree(std::vector<Bytes> leaves) : leaves_(std::move(leaves)) {}

Bytes Rfc6962Tree::root(size_t n) const { return mth(0, n); }

Bytes Rfc6962Tree::mth(size_t begin, size_t end) const {
  const size_t n = end - begin;
  if (n == 0) return sha256({});
  if (n == 1) return leaf_hash(leaves_.at(begin));
  const size_t k = largest_power_of_two_below(n);
  return node_hash(mth(begin, begin + k), mth(begin + k, end));
}

std::vector<Bytes> Rfc6962Tree::inclusion_proof(size_t m, size_t n) const {
  return path(m, 0, n);
}

std::vector<Bytes> Rfc6962Tree::path(size_t m, size_t begin, size_t end) const {
  const size_t n = end - begin;
  if (n == 1) return {};
  const size_t k = largest_power_of_two_below(n);
  std::vector<Bytes> out;
  if (m < k) {
    out = path(m, begin, begin + k);
    out.push_back(mth(begin + k, end));
  } else {
    out = path(m - k, begin + k, end);
    out.push_back(mth(begin, begin + k));
  }
  return out;
}

std::vector<Bytes> Rfc6962Tree::consistency_proof(size_t m, size_t n) const {
  return subproof(m, 0, n, true);
}

std::vector<Bytes> Rfc6962Tree::subproof(size_t m, size_t begin, size_t end, bool complete) const {
  const size_t n = end - begin;
  if (m == n) {
    if (complete) return {};
    return {mth(begin, end)};
  }
  const size_t k = largest_power_of_two_below(n);
  std::vector<Bytes> out;
  if (m <= k) {
    out = subproof(m, begin, begin + k, complete);
    out.push_back(mth(begin + k, end));
  } else {
    out = subproof(m - k, begin + k, end, false);
    out.push_back(mth(begin, begin + k));
  }
  return out;
}

std::vector<Bytes> reference_leaves() {
  return {
      {},
      {0x00},
      {0x10},
      {0x20, 0x21},
      {0x30, 0x31},
      {0x40, 0x41, 0x42, 0x43},
      {0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57},
      {0x60, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x6b, 0x6c, 0x6d, 0x6e,
       0x6f},
  };
}

Bytes leftmost_root(const Bytes& leaf, const std::vector<Bytes>& proof) {
  Bytes r = leaf;
  for (const Bytes& p : proof) r = node_hash(r, p);
  return r;
}

}  // namespace test_support
