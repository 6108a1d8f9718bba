// SPDX-License-Identifier: Apache-2.0
#include "policies.h"

namespace test_support {
namespace {

void put(Bytes& out, uint64_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void put_field(Bytes& out, const Bytes& b) {
  put(out, b.size(), 4);
  out.insert(out.end(), b.begin(), b.end());
}

Bytes encode(const PolicyFields& f, uint32_t format) {
  Bytes out;
  put(out, format, 4);
  put(out, f.ns_length.value_or(static_cast<uint32_t>(f.ns.size())), 4);
  out.insert(out.end(), f.ns.begin(), f.ns.end());
  put(out, f.schema, 4);
  for (uint8_t tag : {f.level, f.suite, f.hash, f.vrf}) out.push_back(tag);
  put(out, f.effective_from, 8);
  put(out, f.created_at, 8);
  put_field(out, f.prev);
  if (format == 2) {
    out.push_back(f.mode);
    put(out, f.keytrans, 2);
  }
  return out;
}

}  // namespace

Bytes policy_record(const PolicyFields& f) { return encode(f, f.format); }

Bytes canonical_policy_record(const PolicyFields& f) { return encode(f, f.mode == 1 ? 1 : 2); }

std::string policy_label(const PolicyFields& f) {
  return f.ns + "/namespace-policy/v" + (f.mode == 1 ? "1" : "2");
}

Bytes policy_envelope(const Bytes& record, const Bytes& key, const Bytes& signature, uint32_t version) {
  Bytes out;
  put(out, version, 4);
  for (const Bytes* part : {&record, &key, &signature}) put_field(out, *part);
  return out;
}

Bytes signed_policy(const PolicyFields& f, const SchemeSigner& signer, const std::optional<Bytes>& message,
                    const std::optional<std::string>& label) {
  const Bytes sig = signer.sign(label.value_or(policy_label(f)), message.value_or(canonical_policy_record(f)));
  return policy_envelope(policy_record(f), signer.public_key(), sig);
}

}  // namespace test_support
