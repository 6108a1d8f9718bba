// SPDX-License-Identifier: Apache-2.0
#include "checkpoint/cosigned.h"

#include <algorithm>
#include <numeric>
#include <string>

#include "checkpoint/witnessed.h"
#include "note/signed_note.h"

namespace silvantrope::checkpoint {
namespace {

// Keys joined by a shared name or public key, however transitively, are one
// cosigner: a union-find over the keys sorted by name and by public key.
std::vector<size_t> cosigner_of_each_key(const std::vector<note::VerifierKey>& keys, size_t& cosigners) {
  std::vector<size_t> parent(keys.size());
  std::iota(parent.begin(), parent.end(), size_t{0});
  auto root = [&](size_t i) {
    while (parent[i] != i) i = parent[i] = parent[parent[i]];
    return i;
  };
  std::vector<size_t> order(keys.size());
  auto join_neighbours = [&](auto less, auto same) {
    std::iota(order.begin(), order.end(), size_t{0});
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return less(keys[a], keys[b]); });
    for (size_t i = 1; i < order.size(); ++i) {
      if (same(keys[order[i - 1]], keys[order[i]])) parent[root(order[i])] = root(order[i - 1]);
    }
  };
  using Key = note::VerifierKey;
  join_neighbours([](const Key& a, const Key& b) { return a.name < b.name; },
                  [](const Key& a, const Key& b) { return a.name == b.name; });
  join_neighbours([](const Key& a, const Key& b) { return a.kind != b.kind ? a.kind < b.kind : a.key < b.key; },
                  [](const Key& a, const Key& b) { return a.same_public_key(b); });

  std::vector<size_t> id(keys.size(), SIZE_MAX), owner(keys.size());
  cosigners = 0;
  for (size_t i = 0; i < keys.size(); ++i) {
    size_t& r = id[root(i)];
    if (r == SIZE_MAX) r = cosigners++;
    owner[i] = r;
  }
  return owner;
}

}  // namespace

Result<CheckpointHead> verify_cosigned(std::string_view note_text,
                                       const std::vector<note::VerifierKey>& log_keys,
                                       const std::vector<std::string_view>& cosigner_texts,
                                       uint32_t quorum, uint64_t not_before) {
  auto parsed = note::parse_signed_note(note_text);
  if (!parsed) return std::move(parsed).error();
  auto head = verify_checkpoint(*parsed, log_keys);
  if (!head) return head;
  if (cosigner_texts.size() > kMaxCosignerKeys) {
    return Error::limit_exceeded("cosigner_vkeys holds " + std::to_string(cosigner_texts.size()) +
                                 " keys, at most " + std::to_string(kMaxCosignerKeys));
  }
  auto keys = note::parse_each_key(cosigner_texts, note::parse_cosigner_key);
  if (!keys) return std::move(keys).error();

  // The policy "one group, quorum of the cosigners".
  WitnessRule rule;
  size_t cosigners = 0;
  rule.owner = cosigner_of_each_key(*keys, cosigners);
  rule.keys = std::move(*keys);
  rule.witnesses.resize(cosigners);
  WitnessRule::Group all{"cosigners", quorum, {}};
  for (size_t i = 0; i < cosigners; ++i) all.members.push_back({false, i});
  rule.groups.push_back(std::move(all));
  rule.quorum = WitnessRule::Member{true, 0};

  auto latest = verify_cosignatures(*parsed, *head, rule);
  if (!latest) return std::move(latest).error();
  std::vector<bool> fresh(cosigners);
  for (size_t i = 0; i < cosigners; ++i) fresh[i] = (*latest)[i] && *(*latest)[i] >= not_before;
  if (!quorum_met(rule, fresh)) {
    const uint64_t counted = satisfied_members(rule, fresh)[0];
    return Error::verification_failed("cosignature quorum not met: " + std::to_string(counted) +
                                      " of " + std::to_string(quorum) + " cosigners");
  }
  return head;
}

}  // namespace silvantrope::checkpoint
