// SPDX-License-Identifier: Apache-2.0
#pragma once

// Namespace policy records and SignedPolicy envelopes for fixtures, with any
// field values, valid or not, signed by any scheme. Test-only.

#include <cstdint>
#include <optional>
#include <string>

#include "signers.h"

namespace test_support {

// A record's fields as wire values: tags, not enumerations.
struct PolicyFields {
  uint32_t format = 1;
  std::string ns = "acme.example";
  std::optional<uint32_t> ns_length;  // a length prefix that lies
  uint32_t schema = 1;
  uint8_t level = 5, suite = 2, hash = 2, vrf = 1;
  uint64_t effective_from = 0, created_at = 1767225600000;
  Bytes prev;  // 64 bytes for a successor
  uint8_t mode = 1;  // written in format 2 only
  uint16_t keytrans = 0xF000;

  static PolicyFields keytrans_p256() {
    PolicyFields f;
    f.format = 2, f.mode = 2, f.keytrans = 0x0001;
    return f;
  }
};

// The record as sent, in f.format.
Bytes policy_record(const PolicyFields& f);
// The canonical form: format 1 for a CONIKS policy (mode 1), else format 2.
Bytes canonical_policy_record(const PolicyFields& f);
// "{ns}/namespace-policy/v1" for mode 1, ".../v2" otherwise.
std::string policy_label(const PolicyFields& f);

// Envelope format 1 (or another version), each part length-prefixed.
Bytes policy_envelope(const Bytes& record, const Bytes& key, const Bytes& signature,
                      uint32_t version = 1);

// The envelope of f signed by signer over the canonical record under its
// label, or over `message` under `label` where given.
Bytes signed_policy(const PolicyFields& f, const SchemeSigner& signer,
                    const std::optional<Bytes>& message = std::nullopt,
                    const std::optional<std::string>& label = std::nullopt);

}  // namespace test_support
