// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "checkpoint/checkpoint.h"
#include "note/signed_note.h"

namespace silvantrope::checkpoint {

// Who must cosign a checkpoint: witnesses, each holding one or more
// tlog-cosignature keys, and groups that need k of their members, nested.
// A group's members are witnesses or groups defined before it.
struct WitnessRule {
  struct Member {
    bool group;
    size_t index;  // into witnesses or groups
  };
  struct Group {
    std::string name;
    uint64_t k;
    size_t first, count;  // its members: members[first, first + count)
  };

  std::vector<note::VerifierKey> keys;  // every witness key
  std::vector<size_t> owner;            // keys[i] belongs to witnesses[owner[i]]
  std::vector<std::string> witnesses;
  std::vector<Group> groups;
  std::vector<Member> members;  // every group's members, group after group
  std::optional<Member> quorum;  // nothing: no cosignature required
};

// The latest timestamp of each witness whose cosignature lines verified
// (nothing for a witness without a line). Every line of a witness key must
// verify; lines of other keys are ignored.
Result<std::vector<std::optional<uint64_t>>> verify_cosignatures(const note::SignedNote& note,
                                                                 const CheckpointHead& head,
                                                                 const WitnessRule& rule);

// How many members of each group are satisfied when the witnesses marked
// fresh are (a group is satisfied with at least k).
std::vector<uint64_t> satisfied_members(const WitnessRule& rule, const std::vector<bool>& fresh);

// Whether the quorum is satisfied by the witnesses marked fresh.
bool quorum_met(const WitnessRule& rule, const std::vector<bool>& fresh);

}  // namespace silvantrope::checkpoint
