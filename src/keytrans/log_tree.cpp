// SPDX-License-Identifier: Apache-2.0
#include "keytrans/log_tree.h"

#include <algorithm>
#include <bit>
#include <string>

namespace silvantrope::keytrans {
namespace {

struct Node {
  bool is_leaf;
  Hash32 value;
};

// Evaluates the range [start, end) of leaves, with the one proved leaf at
// `index` and the proof's elements consumed in tree order.
class RangeEvaluator {
 public:
  RangeEvaluator(crypto::Digest& sha256, uint64_t index, const Hash32& leaf, const HashList& elements)
      : sha256_(sha256), index_(index), leaf_(leaf), elements_(elements) {}

  Result<Node> evaluate(uint64_t start, uint64_t end) {
    const uint64_t n = end - start;
    if (index_ < start || index_ >= end) return full_subtrees(n);
    if (n == 1) return Node{true, leaf_};
    const uint64_t k = uint64_t{1} << (63 - std::countl_zero(n - 1));  // largest power of two < n
    const Node left = SILVANTROPE_TRY(evaluate(start, start + k));
    const Node right = SILVANTROPE_TRY(evaluate(start + k, end));
    return parent(left, right);
  }

  bool all_used() const { return next_ == elements_.size(); }

 private:
  // A range without the proved leaf takes one element per full subtree of its
  // decomposition (the binary digits of n, largest first), folded from the
  // right.
  Result<Node> full_subtrees(uint64_t n) {
    Node heads[64];
    int m = 0;
    for (int bit = 63; bit >= 0; --bit) {
      if (((n >> bit) & 1) == 0) continue;
      if (next_ == elements_.size()) return Error::malformed_keytrans("batch proof is missing expected element(s)");
      heads[m].is_leaf = bit == 0;
      const ByteView e = elements_[next_++];
      std::copy(e.begin(), e.end(), heads[m++].value.begin());
    }
    Node acc = heads[--m];
    while (m > 0) acc = parent(heads[--m], acc);
    return acc;
  }

  Node parent(const Node& left, const Node& right) {
    const uint8_t left_type = left.is_leaf ? 0x00 : 0x01, right_type = right.is_leaf ? 0x00 : 0x01;
    Node p{false, {}};
    sha256_.update({&left_type, 1}).update(left.value).update({&right_type, 1}).update(right.value);
    sha256_.final(p.value.data());
    return p;
  }

  crypto::Digest& sha256_;
  uint64_t index_;
  const Hash32& leaf_;
  const HashList& elements_;
  size_t next_ = 0;
};

}  // namespace

Hash32 log_leaf_value(crypto::Digest& sha256, uint64_t timestamp, ByteView prefix_root) {
  uint8_t ts[8];
  for (int i = 0; i < 8; ++i) ts[i] = static_cast<uint8_t>(timestamp >> (56 - 8 * i));
  return sha256.update(ts).update(prefix_root).final<32>();
}

Result<void> verify_log_inclusion(crypto::Digest& sha256, ByteView expected_root, uint64_t entry_index,
                                  uint64_t tree_size, uint64_t timestamp, ByteView prefix_root,
                                  const HashList& elements) {
  const Hash32 leaf = log_leaf_value(sha256, timestamp, prefix_root);
  if (tree_size == 0) return Error::malformed_keytrans("cannot verify a batch proof against an empty log");
  if (entry_index >= tree_size) {
    return Error::malformed_keytrans("proved leaf index " + std::to_string(entry_index) +
                                     " is beyond tree size " + std::to_string(tree_size));
  }
  RangeEvaluator evaluator(sha256, entry_index, leaf, elements);
  const Node root = SILVANTROPE_TRY(evaluator.evaluate(0, tree_size));
  if (!evaluator.all_used()) return Error::malformed_keytrans("batch proof has unused trailing elements");
  if (!equal(root.value, expected_root)) return Error::keytrans_root_mismatch();
  return {};
}

}  // namespace silvantrope::keytrans
