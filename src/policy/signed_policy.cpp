// SPDX-License-Identifier: Apache-2.0
#include "policy/signed_policy.h"

#include <string>

#include "context/label.h"
#include "policy/reader.h"
#include "silvantrope-crypto/sign.h"

namespace silvantrope::policy {
namespace {

constexpr uint32_t kEnvelopeFormat = 1;

Error malformed(const std::string& detail) { return Error::malformed_policy(detail); }

}  // namespace

Result<SignedPolicy> parse_signed_policy(ByteView envelope) {
  PolicyReader r(envelope);
  auto format = r.u32();
  if (!format) return std::move(format).error();
  if (*format != kEnvelopeFormat) {
    return malformed("unknown signed-policy format version " + std::to_string(*format));
  }
  auto record_bytes = r.field();
  if (!record_bytes) return std::move(record_bytes).error();
  auto record = parse_policy_record(*record_bytes);
  if (!record) return std::move(record).error();
  auto key = r.field();
  if (!key) return std::move(key).error();
  auto signature = r.field();
  if (!signature) return std::move(signature).error();
  if (key->empty() || signature->empty()) {
    return malformed("signed policy must carry a non-empty key and signature");
  }
  if (!r.empty()) return malformed("trailing bytes after signed policy envelope");
  return SignedPolicy{std::move(*record), *key, *signature};
}

Result<void> verify_policy_signature(const SignedPolicy& policy) {
  auto label = context::parse_context_label(policy_label(policy.record));
  if (!label) return std::move(label).error();
  const Bytes canonical = encode_policy_record(policy.record);
  // The envelope carries decoded tokens, so the scheme bytes are checked
  // directly rather than re-encoded to base64 and decoded again.
  crypto::PreparedKey key(policy.public_key);
  auto ok = crypto::verify_signature_bytes(canonical, as_bytes(label->text), policy.signature, key);
  if (ok && *ok) return {};
  return Error::invalid_signature(policy.record.namespace_ + "/namespace-policy", 0);
}

Result<PolicyRecord> load_verified_policy(ByteView envelope) {
  auto policy = parse_signed_policy(envelope);
  if (!policy) return std::move(policy).error();
  if (auto verified = verify_policy_signature(*policy); !verified) return std::move(verified).error();
  return std::move(policy->record);
}

Result<PolicyPosture> verify_signed_policy(ByteView envelope) {
  auto record = load_verified_policy(envelope);
  if (!record) return std::move(record).error();
  auto policy_hash = compute_policy_hash(*record);
  if (!policy_hash) return std::move(policy_hash).error();
  const Hash32 leaf = compute_policy_leaf_hash(*record);
  return PolicyPosture{std::move(*record), *policy_hash, leaf};
}

}  // namespace silvantrope::policy
