// SPDX-License-Identifier: Apache-2.0
#include <string>

#include "context/context_hash.h"
#include "context/label.h"
#include "merkle/hash.h"
#include "policy/record.h"

namespace silvantrope::policy {

std::string policy_label(const PolicyRecord& record) {
  return record.namespace_ + "/namespace-policy/v" +
         (record.directory_mode == DirectoryMode::Keytrans ? "2" : "1");
}

Result<Hash64> compute_policy_hash(const PolicyRecord& record) {
  auto label = context::parse_context_label(policy_label(record));
  if (!label) return std::move(label).error();
  return context::sha3_512_with_context(as_bytes(label->text), encode_policy_record(record));
}

Hash32 compute_policy_leaf_hash(const PolicyRecord& record) {
  return merkle::leaf_hash(encode_policy_record(record));
}

}  // namespace silvantrope::policy
