// SPDX-License-Identifier: Apache-2.0
#include "ffi/call.h"
#include "ffi/records.h"
#include "policy/enforce.h"
#include "policy/signed_policy.h"
#include "silvantrope_log.h"

using namespace silvantrope;
using namespace silvantrope::ffi;

extern "C" {

RustBuffer uniffi_silvantrope_log_fn_func_signed_policy_verify(RustBuffer envelope,
                                                               RustCallStatus* status) {
  return call(
      status, [](ByteView e) { return policy::verify_signed_policy(e); },
      arg<wire::ByteList>("envelope", envelope));
}

void uniffi_silvantrope_log_fn_func_policy_enforce_checkpoint_signing_key(RustBuffer envelope,
                                                                          RustBuffer public_key,
                                                                          RustCallStatus* status) {
  call(
      status,
      [](ByteView e, std::string_view key) { return policy::enforce_checkpoint_signing_key(e, key); },
      arg<wire::ByteList>("envelope", envelope), arg<wire::Text>("public_key", public_key));
}

void uniffi_silvantrope_log_fn_func_policy_enforce_checkpoint_signature(RustBuffer envelope,
                                                                        RustBuffer signature,
                                                                        RustCallStatus* status) {
  call(
      status,
      [](ByteView e, std::string_view sig) { return policy::enforce_checkpoint_signature(e, sig); },
      arg<wire::ByteList>("envelope", envelope), arg<wire::Text>("signature", signature));
}

void uniffi_silvantrope_log_fn_func_policy_enforce_vrf_suite_id(RustBuffer envelope,
                                                                uint8_t observed_suite_id,
                                                                RustCallStatus* status) {
  call(
      status,
      [&](ByteView e) { return policy::enforce_vrf_suite_id(e, observed_suite_id); },
      arg<wire::ByteList>("envelope", envelope));
}

void uniffi_silvantrope_log_fn_func_policy_enforce_commitment_hash(RustBuffer envelope,
                                                                   RustBuffer observed,
                                                                   RustCallStatus* status) {
  call(
      status,
      [](ByteView e, CommitmentHash h) { return policy::enforce_commitment_hash(e, h); },
      arg<wire::ByteList>("envelope", envelope),
      arg<wire::Enum<CommitmentHash>>("observed", observed));
}

void uniffi_silvantrope_log_fn_func_policy_enforce_directory_backend(RustBuffer envelope,
                                                                     uint16_t observed_backend_id,
                                                                     RustCallStatus* status) {
  call(
      status,
      [&](ByteView e) { return policy::enforce_directory_backend(e, observed_backend_id); },
      arg<wire::ByteList>("envelope", envelope));
}

}  // extern "C"
