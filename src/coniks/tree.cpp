// SPDX-License-Identifier: Apache-2.0
#include "coniks/tree.h"

namespace silvantrope::coniks {
namespace {

std::string label(context::Namespace ns, std::string_view suffix) {
  std::string s(ns.text);
  s += suffix;
  return s;
}

constexpr uint8_t kLeafPrefix = 0x03;

}  // namespace

Labels::Labels(context::Namespace ns)
    : commitment(label(ns, "/coniks-commitment/v1")),
      leaf(as_bytes(label(ns, "/coniks-leaf/v1"))),
      node(as_bytes(label(ns, "/coniks-node/v1"))),
      empty(as_bytes(label(ns, "/coniks-empty/v1"))) {}

Tree::Tree(const Labels& labels) : labels_(labels) {
  empty_[256] = hasher_.begin(labels_.empty).final();
  for (size_t d = 256; d-- > 0;) empty_[d] = node(empty_[d + 1].data(), empty_[d + 1].data());
}

Hash64 Tree::node(const uint8_t* left, const uint8_t* right) {
  return hasher_.begin(labels_.node).update({left, 64}).update({right, 64}).final();
}

Hash64 Tree::leaf(const Index& index, const Hash64& commitment) {
  return hasher_.begin(labels_.leaf).update({&kLeafPrefix, 1}).update(index).update(commitment).final();
}

Hash64 Tree::root(const Hash64& leaf_value, const Index& index, const AuthPath& path) {
  Hash64 cur = leaf_value;
  for (size_t d = 256; d-- > 0;) {
    const uint8_t* sibling = path[d] != nullptr ? path[d] : empty_[d + 1].data();
    const bool right = (index[d / 8] >> (7 - d % 8)) & 1;
    cur = right ? node(sibling, cur.data()) : node(cur.data(), sibling);
  }
  return cur;
}

}  // namespace silvantrope::coniks
