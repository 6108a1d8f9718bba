// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "core/bytes.h"
#include "core/error.h"
#include "policy/record.h"

namespace silvantrope::policy {

// A parsed SignedPolicy envelope. The key and signature are the decoded
// token bytes (type byte first) and view the envelope, which must outlive
// them; the record bytes as received are not kept.
struct SignedPolicy {
  PolicyRecord record;
  ByteView public_key;
  ByteView signature;
};

// Envelope format 1: the record, the public key and the signature, each with
// a 4-byte length, and nothing after them.
Result<SignedPolicy> parse_signed_policy(ByteView envelope);

// Checks the signature over the record's canonical bytes under its policy
// label, with the key the envelope carries. Whether that key may speak for
// the namespace is the caller's question: see PolicyPosture.
Result<void> verify_policy_signature(const SignedPolicy& policy);

// parse_signed_policy, then verify_policy_signature.
Result<PolicyRecord> load_verified_policy(ByteView envelope);

// The declared posture of a verified policy, with its two hashes.
struct PolicyPosture {
  PolicyRecord record;
  Hash64 policy_hash;
  Hash32 rfc6962_leaf_hash;
};

Result<PolicyPosture> verify_signed_policy(ByteView envelope);

}  // namespace silvantrope::policy
