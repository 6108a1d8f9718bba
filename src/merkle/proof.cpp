// SPDX-License-Identifier: Apache-2.0
#include "merkle/proof.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "merkle/hash.h"

namespace silvantrope::merkle {
namespace {

constexpr size_t kHashSize = 32;
// inner + border never exceeds 64; a consistency proof may add its seed.
constexpr size_t kMaxProofHashes = 65;

using ProofHashes = std::array<Hash32, kMaxProofHashes>;

// Shifts of 64 or more give 0 rather than undefined behaviour.
uint64_t shr(uint64_t x, unsigned n) { return n >= 64 ? 0 : x >> n; }
unsigned bit_len(uint64_t x) { return static_cast<unsigned>(std::bit_width(x)); }
unsigned ones(uint64_t x) { return static_cast<unsigned>(std::popcount(x)); }
bool bit(uint64_t x, size_t i) { return (shr(x, static_cast<unsigned>(i)) & 1) != 0; }

Result<Hash32> to_hash(ByteView b) {
  if (b.size() != kHashSize) return Error::invalid_hash_length(b.size(), kHashSize);
  Hash32 h;
  std::copy(b.begin(), b.end(), h.begin());
  return h;
}

// Copies the elements from the first-th on into fixed arrays; the first of
// the wrong length fails. The caller has checked that they fit.
Result<void> to_hashes(const ByteViewList& elements, size_t first, ProofHashes& out) {
  size_t i = 0;
  for (const ByteView e : elements) {
    if (i++ < first) continue;
    if (e.size() != kHashSize) return Error::invalid_hash_length(e.size(), kHashSize);
    std::memcpy(out[i - 1 - first].data(), e.data(), kHashSize);
  }
  return {};
}

using Run = std::span<const Hash32>;

Hash32 chain_inner(NodeHasher& h, Hash32 seed, Run p, uint64_t m) {
  for (size_t i = 0; i < p.size(); ++i) {
    seed = bit(m, i) ? h.node(p[i], seed) : h.node(seed, p[i]);
  }
  return seed;
}

Hash32 chain_inner_right(NodeHasher& h, Hash32 seed, Run p, uint64_t m) {
  for (size_t i = 0; i < p.size(); ++i) {
    if (bit(m, i)) seed = h.node(p[i], seed);
  }
  return seed;
}

Hash32 chain_border_right(NodeHasher& h, Hash32 seed, Run p) {
  for (const Hash32& x : p) seed = h.node(x, seed);
  return seed;
}

bool same(const Hash32& a, ByteView b) { return equal(a, b); }

}  // namespace

Result<void> verify_inclusion_proof(uint64_t index, uint64_t size, ByteView leaf_hash,
                                    const ByteViewList& proof, const ByteView& root) {
  if (root.size() != kHashSize) return Error::invalid_hash_length(root.size(), kHashSize);
  if (index >= size) return Error::leaf_index_beyond_tree_size(index, size);
  auto leaf = to_hash(leaf_hash);
  if (!leaf) return std::move(leaf).error();

  const unsigned inner = bit_len(index ^ (size - 1));
  const unsigned border = ones(shr(index, inner));
  if (proof.size() != inner + border) return Error::wrong_proof_size(proof.size(), inner + border);

  ProofHashes p;
  if (auto r = to_hashes(proof, 0, p); !r) return r;
  const Run all(p.data(), proof.size());

  NodeHasher h;
  Hash32 r = chain_inner(h, *leaf, all.first(inner), index);
  r = chain_border_right(h, r, all.subspan(inner));
  if (!same(r, root)) return Error::root_mismatch();
  return {};
}

Result<void> verify_consistency_proof(uint64_t size1, uint64_t size2,
                                      const ByteViewList& proof, ByteView root1,
                                      ByteView root2) {
  if (root2.size() != kHashSize) return Error::invalid_hash_length(root2.size(), kHashSize);
  if (size2 < size1) return Error::tree_size_regression(size1, size2);
  if (size1 == 0) return Error::empty_tree_consistency();
  auto r1 = to_hash(root1);
  if (!r1) return std::move(r1).error();

  if (size1 == size2) {
    if (!proof.empty()) return Error::non_empty_equal_size_proof();
    if (!same(*r1, root2)) return Error::root_mismatch();
    return {};
  }
  if (proof.empty()) return Error::wrong_proof_size(0, 1);

  // When size1 is a power of two its root is a node of the larger tree and
  // seeds the chains; otherwise the proof starts with that node.
  const unsigned shift = static_cast<unsigned>(std::countr_zero(size1));
  Hash32 seed;
  size_t start = 0;
  if (size1 == (uint64_t{1} << shift)) {
    seed = *r1;
  } else {
    auto s = to_hash(proof.front());
    if (!s) return std::move(s).error();
    seed = *s;
    start = 1;
  }

  const unsigned diff = bit_len((size1 - 1) ^ (size2 - 1));
  const unsigned inner = diff - shift;
  const unsigned border = ones(shr(size1 - 1, diff));
  const size_t want = start + inner + border;
  if (proof.size() != want) return Error::wrong_proof_size(proof.size(), want);

  ProofHashes p;
  if (auto r = to_hashes(proof, start, p); !r) return r;
  const Run q(p.data(), proof.size() - start);
  const uint64_t mask = shr(size1 - 1, shift);

  NodeHasher h;
  const Hash32 h1 = chain_border_right(h, chain_inner_right(h, seed, q.first(inner), mask),
                                       q.subspan(inner));
  if (h1 != *r1) return Error::root_mismatch();
  const Hash32 h2 =
      chain_border_right(h, chain_inner(h, seed, q.first(inner), mask), q.subspan(inner));
  if (!same(h2, root2)) return Error::root_mismatch();
  return {};
}

}  // namespace silvantrope::merkle
