// SPDX-License-Identifier: Apache-2.0
#include "checkpoint/cosigned.h"

#include <algorithm>
#include <numeric>
#include <string_view>
#include <string>
#include <tuple>

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
  // Each key's name, or its kind and public key, beside its index and its
  // first eight bytes: the sort reads these small records in order and
  // reaches into the keys only when two prefixes tie.
  struct Entry {
    uint64_t prefix;
    int kind;
    std::string_view bytes;
    size_t index;
    bool operator<(const Entry& o) const {
      if (prefix != o.prefix) return prefix < o.prefix;
      return std::tie(kind, bytes) < std::tie(o.kind, o.bytes);
    }
    bool operator==(const Entry& o) const { return prefix == o.prefix && kind == o.kind && bytes == o.bytes; }
  };
  auto entry = [](int kind, std::string_view bytes, size_t index) {
    uint64_t prefix = 0;
    for (size_t i = 0; i < 8; ++i) prefix = prefix << 8 | (i < bytes.size() ? static_cast<uint8_t>(bytes[i]) : 0);
    return Entry{prefix, kind, bytes, index};
  };
  std::vector<Entry> sorted(keys.size());
  auto join_equal = [&](auto entry_of) {
    for (size_t i = 0; i < keys.size(); ++i) sorted[i] = entry_of(keys[i], i);
    std::sort(sorted.begin(), sorted.end());
    for (size_t i = 1; i < sorted.size(); ++i) {
      if (sorted[i - 1] == sorted[i]) parent[root(sorted[i].index)] = root(sorted[i - 1].index);
    }
  };
  join_equal([&](const note::VerifierKey& k, size_t i) { return entry(0, k.name.view(), i); });
  join_equal([&](const note::VerifierKey& k, size_t i) {
    return entry(static_cast<int>(k.kind), {reinterpret_cast<const char*>(k.key.data()), k.key.size()}, i);
  });

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
  rule.groups.push_back({"cosigners", quorum, 0, cosigners});
  rule.members.reserve(cosigners);
  for (size_t i = 0; i < cosigners; ++i) rule.members.push_back({false, i});
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
