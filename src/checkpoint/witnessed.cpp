// SPDX-License-Identifier: Apache-2.0
#include "checkpoint/witnessed.h"

#include <algorithm>

namespace silvantrope::checkpoint {

Result<std::vector<std::optional<uint64_t>>> verify_cosignatures(const note::SignedNote& note,
                                                                 const CheckpointHead& head,
                                                                 const WitnessRule& rule) {
  const note::TreeHead tree{head.origin, head.size, head.root};
  auto lines = note::verify_lines(note, rule.keys, &tree);
  if (!lines) return std::move(lines).error();
  std::vector<std::optional<uint64_t>> latest(rule.witnesses.size());
  for (const note::VerifiedLine& line : *lines) {
    auto& t = latest[rule.owner[line.key]];
    t = std::max(t.value_or(0), line.timestamp);
  }
  return latest;
}

std::vector<uint64_t> satisfied_members(const WitnessRule& rule, const std::vector<bool>& fresh) {
  std::vector<uint64_t> count(rule.groups.size());
  for (size_t g = 0; g < rule.groups.size(); ++g) {
    const WitnessRule::Group& group = rule.groups[g];
    for (size_t i = group.first; i < group.first + group.count; ++i) {
      const WitnessRule::Member& m = rule.members[i];
      const bool ok = m.group ? count[m.index] >= rule.groups[m.index].k : fresh[m.index];
      if (ok) ++count[g];
    }
  }
  return count;
}

bool quorum_met(const WitnessRule& rule, const std::vector<bool>& fresh) {
  if (!rule.quorum) return true;
  if (!rule.quorum->group) return fresh[rule.quorum->index];
  return satisfied_members(rule, fresh)[rule.quorum->index] >= rule.groups[rule.quorum->index].k;
}

}  // namespace silvantrope::checkpoint
