// SPDX-License-Identifier: Apache-2.0
#include "coniks_tree.h"

#include <openssl/evp.h>

#include <algorithm>
#include <stdexcept>
#include <tuple>

namespace test_support {
namespace {

bool bit(const std::array<uint8_t, 32>& index, size_t d) { return (index[d / 8] >> (7 - d % 8)) & 1; }

Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes be32(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }

}  // namespace

Bytes sha3_512_with_context(const std::string& context, const Bytes& message) {
  Bytes m;
  const uint64_t n = context.size();
  for (int i = 7; i >= 0; --i) m.push_back(static_cast<uint8_t>(n >> (8 * i)));
  m.insert(m.end(), context.begin(), context.end());
  m.insert(m.end(), message.begin(), message.end());
  Bytes out(64);
  if (EVP_Digest(m.data(), m.size(), out.data(), nullptr, EVP_sha3_512(), nullptr) != 1) {
    throw std::runtime_error("SHA3-512 failed");
  }
  return out;
}

ConiksDirectory::ConiksDirectory(std::string ns, VrfProver vrf) : ns_(std::move(ns)), vrf_(std::move(vrf)) {
  empty_[256] = sha3_512_with_context(ns_ + "/coniks-empty/v1", {});
  for (size_t d = 256; d-- > 0;) {
    empty_[d] = sha3_512_with_context(ns_ + "/coniks-node/v1", cat({empty_[d + 1], empty_[d + 1]}));
  }
}

Bytes ConiksDirectory::alpha(const Bytes& identity) const {
  return cat({be32(static_cast<uint32_t>(ns_.size())), Bytes(ns_.begin(), ns_.end()), identity});
}

std::array<uint8_t, 32> ConiksDirectory::index_of(const Bytes& identity) const {
  const Bytes beta = VrfProver::proof_to_hash(vrf_.prove(alpha(identity)));
  Index index;
  std::copy_n(beta.begin(), 32, index.begin());
  return index;
}

void ConiksDirectory::put(const Bytes& identity, const Bytes& value) {
  Bytes opening = sha3_512_with_context("test/opening/v1", identity);
  opening.resize(32);
  put(identity, value, opening);
}

void ConiksDirectory::put(const Bytes& identity, const Bytes& value, const Bytes& opening) {
  const Index index = index_of(identity);
  const Bytes commitment = sha3_512_with_context(ns_ + "/coniks-commitment/v1", cat({opening, value}));
  const Bytes leaf = sha3_512_with_context(ns_ + "/coniks-leaf/v1",
                                           cat({Bytes{0x03}, Bytes(index.begin(), index.end()), commitment}));
  leaves_[index] = Leaf{value, opening, leaf};
}

void ConiksDirectory::put_leaf_at(const Index& index, const Bytes& leaf_hash) {
  leaves_[index] = Leaf{{}, {}, leaf_hash};
}

Bytes ConiksDirectory::subtree(size_t depth, std::map<Index, Leaf>::const_iterator begin,
                               std::map<Index, Leaf>::const_iterator end) const {
  if (begin == end) return empty_[depth];
  if (depth == 256) return begin->second.hash;
  // Leaves are sorted by index, so those going left come first.
  auto mid = std::find_if(begin, end, [&](const auto& kv) { return bit(kv.first, depth); });
  return sha3_512_with_context(ns_ + "/coniks-node/v1",
                               cat({subtree(depth + 1, begin, mid), subtree(depth + 1, mid, end)}));
}

Bytes ConiksDirectory::root() const { return subtree(0, leaves_.begin(), leaves_.end()); }
Bytes ConiksDirectory::empty_root() const { return empty_[0]; }

std::vector<Bytes> ConiksDirectory::siblings(const Index& index) const {
  std::vector<Bytes> out(256);
  auto begin = leaves_.begin(), end = leaves_.end();
  for (size_t d = 0; d < 256; ++d) {
    auto mid = std::find_if(begin, end, [&](const auto& kv) { return bit(kv.first, d); });
    auto [own_begin, own_end, other_begin, other_end] =
        bit(index, d) ? std::tuple{mid, end, begin, mid} : std::tuple{begin, mid, mid, end};
    if (other_begin != other_end) out[d] = subtree(d + 1, other_begin, other_end);
    begin = own_begin;
    end = own_end;
  }
  return out;
}

Bytes ConiksDirectory::encode_path(const std::vector<Bytes>& siblings) {
  Bytes bitmap(32, 0), hashes;
  for (size_t i = 0; i < siblings.size(); ++i) {
    if (siblings[i].empty()) continue;
    bitmap[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
    hashes.insert(hashes.end(), siblings[i].begin(), siblings[i].end());
  }
  return cat({bitmap, hashes});
}

Bytes ConiksDirectory::lookup_proof(const Bytes& identity) const {
  const Index index = index_of(identity);
  const auto it = leaves_.find(index);
  if (it == leaves_.end()) throw std::invalid_argument("identity is not in the directory");
  const Bytes vrf_proof = vrf_.prove(alpha(identity));
  const Leaf& leaf = it->second;
  return cat({Bytes{0x01}, be32(static_cast<uint32_t>(vrf_proof.size())), vrf_proof,
              be32(static_cast<uint32_t>(leaf.value.size())), leaf.value, leaf.opening,
              encode_path(siblings(index))});
}

Bytes ConiksDirectory::absence_proof(const Bytes& identity) const {
  const Index index = index_of(identity);
  if (leaves_.count(index) != 0) throw std::invalid_argument("identity is in the directory");
  const Bytes vrf_proof = vrf_.prove(alpha(identity));
  return cat({Bytes{0x00}, be32(static_cast<uint32_t>(vrf_proof.size())), vrf_proof, encode_path(siblings(index))});
}

}  // namespace test_support
