// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "checkpoint/witnessed.h"
#include "note/verifier_key.h"

namespace silvantrope::checkpoint {

// The most log, witness and group lines a policy may hold.
inline constexpr size_t kMaxPolicyLogs = 256;
inline constexpr size_t kMaxPolicyWitnesses = 256;
inline constexpr size_t kMaxPolicyGroups = 256;

// A C2SP tlog-policy file: the logs trusted for their origins (a log key's
// name is the origin it signs for) and the witness quorum their checkpoints
// need.
struct TlogPolicy {
  std::vector<note::VerifierKey> logs;
  WitnessRule witnesses;
};

// Lines "log <vkey> [<url>]", "witness <name> <vkey> [<url>]",
// "group <name> all|any|<k> <member>...", exactly one "quorum <name>";
// blank lines and "#" comment lines are skipped. Failures name the line.
Result<TlogPolicy> parse_tlog_policy(std::string_view text);

// The quorum's name, or "none".
std::string quorum_name(const TlogPolicy& policy);

struct WitnessTimestamp {
  std::string witness;
  uint64_t timestamp;
};

struct VerifiedCheckpoint {
  CheckpointHead head;
  std::vector<WitnessTimestamp> cosignatures;  // every verified witness, in policy order
};

// The checkpoint signed by a policy log whose key name is its origin, and
// cosigned as the quorum demands by witnesses whose latest cosignature is
// at or after not_before.
Result<VerifiedCheckpoint> verify_with_policy(std::string_view note_text, const TlogPolicy& policy,
                                              uint64_t not_before);

}  // namespace silvantrope::checkpoint
