// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/bytes.h"
#include "core/enums.h"
#include "core/error.h"

namespace silvantrope::policy {

// The declared posture of one namespace, as a parsed and validated record.
struct PolicyRecord {
  std::string namespace_;
  uint32_t policy_schema_version = 0;
  SecurityLevel security_level = SecurityLevel::Cat3;
  CheckpointSuite checkpoint_suite = CheckpointSuite::Hybrid;
  CommitmentHash commitment_hash = CommitmentHash::Sha3_256;
  VrfMode vrf_mode = VrfMode::Classical;
  uint64_t effective_from = 0;
  uint64_t created_at = 0;
  std::optional<Hash64> prev_policy_hash;  // absent for a namespace's first policy
  DirectoryMode directory_mode = DirectoryMode::Coniks;
  KeytransSuite keytrans_suite = KeytransSuite::SilvantropeHybridExp;
};

// One record filling all of bytes, format 1 or 2, then validated.
Result<PolicyRecord> parse_policy_record(ByteView bytes);

// The combinations a record may declare.
Result<void> validate_policy_record(const PolicyRecord& record);

// The canonical bytes: format 1 for a Coniks policy, 2 for a Keytrans one.
// Signatures and hashes cover these, never the bytes as received.
Bytes encode_policy_record(const PolicyRecord& record);

// "{namespace}/namespace-policy/v1" (Coniks) or ".../v2" (Keytrans).
std::string policy_label(const PolicyRecord& record);

// SHA3-512 of the canonical bytes bound to the policy label: what a
// successor's prev_policy_hash names.
Result<Hash64> compute_policy_hash(const PolicyRecord& record);

// SHA-256(0x00 || canonical bytes): the policy's leaf in its log.
Hash32 compute_policy_leaf_hash(const PolicyRecord& record);

// Enumeration names as messages print them ("Cat5", "Sha3_256", ...).
const char* name_of(SecurityLevel v);
const char* name_of(CheckpointSuite v);
const char* name_of(CommitmentHash v);
const char* name_of(VrfMode v);
const char* name_of(DirectoryMode v);
const char* name_of(KeytransSuite v);

}  // namespace silvantrope::policy
