// SPDX-License-Identifier: Apache-2.0
#include "rfc6962_tree.h"

#include <openssl/evp.h>

namespace test_support {
namespace {

size_t split(size_t n) {  // the largest power of two below n
  size_t k = 1;
  while (k * 2 < n) k *= 2;
  return k;
}

std::vector<Bytes> then(std::vector<Bytes> proof, Bytes last) {
  proof.push_back(std::move(last));
  return proof;
}

}  // namespace

Bytes sha256(const Bytes& data) {
  Bytes out(32);
  EVP_Digest(data.data(), data.size(), out.data(), nullptr, EVP_sha256(), nullptr);
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

std::vector<Bytes> reference_leaves() {
  return {{}, {0x00}, {0x10}, {0x20, 0x21}, {0x30, 0x31}, {0x40, 0x41, 0x42, 0x43},
          {0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57},
          {0x60, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x6b, 0x6c, 0x6d, 0x6e, 0x6f}};
}

Bytes Rfc6962Tree::mth(size_t begin, size_t end) const {
  if (end == begin) return sha256({});  // MTH({}), RFC 6962 §2.1
  if (end - begin == 1) return leaf_hash(leaves_.at(begin));
  const bool keep = remember_ && end - begin >= 256;
  if (keep) {
    if (auto it = remembered_.find({begin, end}); it != remembered_.end()) return it->second;
  }
  const size_t k = split(end - begin);
  Bytes h = node_hash(mth(begin, begin + k), mth(begin + k, end));
  if (keep) remembered_.emplace(std::pair{begin, end}, h);
  return h;
}

std::vector<Bytes> Rfc6962Tree::path(size_t m, size_t begin, size_t end) const {
  if (end - begin == 1) return {};
  const size_t k = split(end - begin);
  if (m < k) return then(path(m, begin, begin + k), mth(begin + k, end));
  return then(path(m - k, begin + k, end), mth(begin, begin + k));
}

std::vector<Bytes> Rfc6962Tree::subproof(size_t m, size_t begin, size_t end, bool complete) const {
  if (m == end - begin) return complete ? std::vector<Bytes>{} : std::vector<Bytes>{mth(begin, end)};
  const size_t k = split(end - begin);
  if (m <= k) return then(subproof(m, begin, begin + k, complete), mth(begin + k, end));
  return then(subproof(m - k, begin + k, end, false), mth(begin, begin + k));
}

}  // namespace test_support
