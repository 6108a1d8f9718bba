// Policy records and SignedPolicy envelopes, on arbitrary bytes.
//
// Both parsers answer the same twice. An accepted record (alone or in an
// envelope) re-encodes to canonical bytes that parse to themselves again, and
// equal the input unless it was a CONIKS record in format 2.

#include <cstddef>
#include <cstdint>

#include "policy/record.h"
#include "policy/signed_policy.h"
#include "support.h"

namespace {

using namespace silvantrope;

void check_canonical(const policy::PolicyRecord& record, const fuzz::Bytes& input) {
  const Bytes canonical = policy::encode_policy_record(record);
  auto again = policy::parse_policy_record(canonical);
  FUZZ_CHECK(again, fuzz::hex(input) + ": canonical form rejected: " + again.error().message());
  FUZZ_CHECK(policy::encode_policy_record(*again) == canonical, fuzz::hex(input) + ": canonical form moved");
}

// The parse, after checking that a second one gives the same answer.
template <class Parse>
auto parsed_twice(Parse parse, const fuzz::Bytes& input) {
  auto first = parse(input), second = parse(input);
  FUZZ_CHECK(bool(first) == bool(second) && (first || first.error().message() == second.error().message()),
             fuzz::hex(input) + ": the answer changed");
  return first;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzz::Bytes input(data, data + size);
  if (auto record = parsed_twice(policy::parse_policy_record, input)) {
    check_canonical(*record, input);
    // Only a CONIKS record sent as format 2 has other canonical bytes.
    const bool reshaped = input[3] == 2 && record->directory_mode == DirectoryMode::Coniks;
    FUZZ_CHECK(reshaped || policy::encode_policy_record(*record) == input, fuzz::hex(input) + ": not canonical");
  }
  if (auto envelope = parsed_twice(policy::parse_signed_policy, input)) {
    FUZZ_CHECK(!envelope->public_key.empty() && !envelope->signature.empty(), fuzz::hex(input) + ": empty");
    check_canonical(envelope->record, input);
  }
  return 0;
}
