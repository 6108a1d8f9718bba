// SPDX-License-Identifier: Apache-2.0
// Policy records and SignedPolicy envelopes on arbitrary bytes (see README.md).

#include "policy/record.h"
#include "policy/signed_policy.h"
#include "support.h"

namespace {

using namespace silvantrope;

// An accepted record re-encodes to canonical bytes that parse to themselves.
void check_canonical(const policy::PolicyRecord& record) {
  const Bytes canonical = policy::encode_policy_record(record);
  auto again = policy::parse_policy_record(canonical);
  FUZZ_CHECK(again && policy::encode_policy_record(*again) == canonical);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ByteView input(data, size);
  if (auto record = fuzz::twice([&] { return policy::parse_policy_record(input); })) {
    check_canonical(*record);
    // Only a CONIKS record sent as format 2 has other canonical bytes.
    const bool reshaped = input[3] == 2 && record->directory_mode == DirectoryMode::Coniks;
    FUZZ_CHECK(reshaped || policy::encode_policy_record(*record) == Bytes(input.begin(), input.end()));
  }
  if (auto envelope = fuzz::twice([&] { return policy::parse_signed_policy(input); })) {
    FUZZ_CHECK(!envelope->public_key.empty() && !envelope->signature.empty());
    check_canonical(envelope->record);
  }
  return 0;
}
