// SPDX-License-Identifier: Apache-2.0
#include "keytrans/prefix_tree.h"

#include <algorithm>
#include <string>

namespace silvantrope::keytrans {
namespace {

constexpr uint8_t kLeafPrefix = 0x01;
constexpr uint8_t kParentPrefix = 0x02;

// Bit i of a key, most significant bit of byte 0 first.
bool bit(ByteView key, size_t i) { return (key[i / 8] >> (7 - i % 8)) & 1; }

Hash32 leaf_value(crypto::Digest& sha256, ByteView key, ByteView commitment) {
  return sha256.update({&kLeafPrefix, 1}).update(key).update(commitment).final<32>();
}

// From the node at depth n up to the root; element i is the sibling at depth
// i + 1, and bit i of the key says on which side the path runs.
Hash32 root_from_path(crypto::Digest& sha256, ByteView key, Hash32 value, const HashList& copath) {
  for (size_t i = copath.size(); i-- > 0;) {
    sha256.update({&kParentPrefix, 1});
    if (bit(key, i)) {
      sha256.update(copath[i]).update(value);
    } else {
      sha256.update(value).update(copath[i]);
    }
    sha256.final(value.data());
  }
  return value;
}

Result<void> check_depth(const PrefixProof& p) {
  const size_t n = p.elements.size();
  const size_t expected = p.result_type == ResultType::NonInclusionParent && n > 0 ? n - 1 : n;
  if (p.depth == expected) return {};
  return Error::malformed_keytrans("prefix proof depth " + std::to_string(p.depth) +
                                   " inconsistent with copath length " + std::to_string(n));
}

Result<Hash32> search_key(const KeytransContext& ctx, ByteView label, const LadderStep& step) {
  const Bytes alpha = SILVANTROPE_TRY(encode_vrf_input(label, step.version));
  auto outcome = ctx.key_verifier().verify(alpha, step.vrf_proof);
  if (!outcome) return Error::vrf_failure(outcome.error().message());
  if (!outcome->valid) return Error::vrf_proof_invalid();
  Hash32 key;
  std::copy_n(outcome->beta.begin(), key.size(), key.begin());
  return key;
}

}  // namespace

Result<bool> evaluate_rung(crypto::Digest& sha256, const KeytransContext& ctx, ByteView label,
                           const LadderStep& step, ByteView prefix_root) {
  const Hash32 key = SILVANTROPE_TRY(search_key(ctx, label, step));
  const PrefixProof& p = step.prefix;
  Hash32 start{};  // an empty child
  switch (p.result_type) {
    case ResultType::Inclusion:
      if (!step.commitment) return Error::malformed_keytrans("inclusion ladder rung is missing its commitment");
      SILVANTROPE_CHECK(check_depth(p));
      start = leaf_value(sha256, key, *step.commitment);
      break;
    case ResultType::NonInclusionParent:
      SILVANTROPE_CHECK(check_depth(p));
      break;
    case ResultType::NonInclusionLeaf: {
      SILVANTROPE_CHECK(check_depth(p));
      if (!p.leaf) return Error::malformed_keytrans("nonInclusionLeaf proof is missing its leaf");
      const ByteView other = p.leaf->vrf_output;
      if (equal(other, key)) {
        return Error::malformed_keytrans("forged absence: terminal leaf matches the search key");
      }
      for (size_t i = 0; i < p.elements.size(); ++i) {
        if (bit(other, i) != bit(key, i)) {
          return Error::malformed_keytrans("cross-key absence: terminal leaf does not share the search-key prefix");
        }
      }
      start = leaf_value(sha256, other, p.leaf->commitment);
      break;
    }
  }
  if (!equal(root_from_path(sha256, key, start, p.elements), prefix_root)) {
    return Error::keytrans_root_mismatch();
  }
  return p.result_type == ResultType::Inclusion;
}

}  // namespace silvantrope::keytrans
