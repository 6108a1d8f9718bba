// SPDX-License-Identifier: Apache-2.0
// C2SP tlog-policy files and tlog-proof@v1: the policy summary, a checkpoint
// verified against a policy, and an offline inclusion proof.

#include "checkpoint/tlog_policy.h"
#include "checkpoint/tlog_proof.h"
#include "ffi/call.h"
#include "ffi/records.h"
#include "silvantrope_log.h"

using namespace silvantrope;
using namespace silvantrope::ffi;

extern "C" {

RustBuffer uniffi_silvantrope_log_fn_func_tlog_policy_parse(RustBuffer policy, RustCallStatus* status) {
  return call(
      status, [](std::string_view text) { return checkpoint::parse_tlog_policy(text); },
      arg<wire::Text>("policy", policy));
}

RustBuffer uniffi_silvantrope_log_fn_func_checkpoint_verify_policy(RustBuffer note_text, RustBuffer policy,
                                                                   uint64_t not_before, RustCallStatus* status) {
  return call(
      status,
      [&](std::string_view text, std::string_view policy_text) -> Result<checkpoint::VerifiedCheckpoint> {
        auto parsed = checkpoint::parse_tlog_policy(policy_text);
        if (!parsed) return std::move(parsed).error();
        return checkpoint::verify_with_policy(text, *parsed, not_before);
      },
      arg<wire::Text>("note_text", note_text), arg<wire::Text>("policy", policy));
}

RustBuffer uniffi_silvantrope_log_fn_func_tlog_proof_verify(RustBuffer proof, RustBuffer policy,
                                                            RustBuffer leaf_hash, uint64_t not_before,
                                                            RustCallStatus* status) {
  return call(
      status,
      [&](std::string_view proof_text, std::string_view policy_text, ByteView leaf) {
        return checkpoint::verify_tlog_proof(proof_text, policy_text, leaf, not_before);
      },
      arg<wire::Text>("proof", proof), arg<wire::Text>("policy", policy),
      arg<wire::ByteList>("leaf_hash", leaf_hash));
}

}  // extern "C"
