// SPDX-License-Identifier: Apache-2.0
#include <optional>
#include <utility>

#include "ffi/call.h"
#include "ffi/records.h"
#include "keytrans/verify.h"
#include "silvantrope_log.h"

using namespace silvantrope;
using namespace silvantrope::ffi;

// Each export lifts context, vrf_public, root, label and proof, builds the
// suite context (an unknown suite id fails before anything else is looked
// at) and runs one verifier.
#define SILVANTROPE_KEYTRANS_ARGS                                                                \
  arg<wire::Text>("context", context), arg<wire::ByteList>("vrf_public", vrf_public),          \
      arg<wire::ByteList>("root", root), arg<wire::ByteList>("label", label),                   \
      arg<wire::ByteList>("proof", proof)

namespace {

// The verifier under the suite id, or under SilvantropeHybridExp without one.
template <auto Verify>
auto under_suite(std::optional<uint16_t> suite_id) {
  return [suite_id](std::string_view context, ByteView key, ByteView root, ByteView label, ByteView proof) {
    using R = decltype(Verify(std::declval<const keytrans::KeytransContext&>(), root, label, proof));
    auto ctx = suite_id ? keytrans::resolve_suite(*suite_id, as_bytes(context), key)
                        : Result<keytrans::KeytransContext>(keytrans::default_context(as_bytes(context), key));
    if (!ctx) return R(std::move(ctx).error());
    return Verify(*ctx, root, label, proof);
  };
}

}  // namespace

extern "C" {

RustBuffer uniffi_silvantrope_log_fn_func_keytrans_verify_search(RustBuffer context, RustBuffer vrf_public,
                                                                 RustBuffer root, RustBuffer label,
                                                                 RustBuffer proof, RustCallStatus* status) {
  return call(status, under_suite<keytrans::verify_search_proof>(std::nullopt), SILVANTROPE_KEYTRANS_ARGS);
}

RustBuffer uniffi_silvantrope_log_fn_func_keytrans_verify_fixed_version(RustBuffer context, RustBuffer vrf_public,
                                                                        RustBuffer root, RustBuffer label,
                                                                        RustBuffer proof, RustCallStatus* status) {
  return call(status, under_suite<keytrans::verify_fixed_version_proof>(std::nullopt), SILVANTROPE_KEYTRANS_ARGS);
}

void uniffi_silvantrope_log_fn_func_keytrans_verify_monitor(RustBuffer context, RustBuffer vrf_public,
                                                            RustBuffer root, RustBuffer label, RustBuffer proof,
                                                            RustCallStatus* status) {
  call(status, under_suite<keytrans::verify_monitor_proof>(std::nullopt), SILVANTROPE_KEYTRANS_ARGS);
}

RustBuffer uniffi_silvantrope_log_fn_func_keytrans_verify_search_suite(uint16_t suite_id, RustBuffer context,
                                                                       RustBuffer vrf_public, RustBuffer root,
                                                                       RustBuffer label, RustBuffer proof,
                                                                       RustCallStatus* status) {
  return call(status, under_suite<keytrans::verify_search_proof>(suite_id), SILVANTROPE_KEYTRANS_ARGS);
}

RustBuffer uniffi_silvantrope_log_fn_func_keytrans_verify_fixed_version_suite(
    uint16_t suite_id, RustBuffer context, RustBuffer vrf_public, RustBuffer root, RustBuffer label,
    RustBuffer proof, RustCallStatus* status) {
  return call(status, under_suite<keytrans::verify_fixed_version_proof>(suite_id), SILVANTROPE_KEYTRANS_ARGS);
}

void uniffi_silvantrope_log_fn_func_keytrans_verify_monitor_suite(uint16_t suite_id, RustBuffer context,
                                                                  RustBuffer vrf_public, RustBuffer root,
                                                                  RustBuffer label, RustBuffer proof,
                                                                  RustCallStatus* status) {
  call(status, under_suite<keytrans::verify_monitor_proof>(suite_id), SILVANTROPE_KEYTRANS_ARGS);
}

}  // extern "C"
