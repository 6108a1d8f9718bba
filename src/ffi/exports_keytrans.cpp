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

template <auto Verify>
auto with_suite(const uint16_t* suite_id) {
  return [suite_id](std::string_view c, ByteView key, ByteView r, ByteView l, ByteView p) {
    const ByteView context = as_bytes(c);
    if (suite_id == nullptr) return Verify(keytrans::default_context(context, key), r, l, p);
    auto ctx = keytrans::resolve_suite(*suite_id, context, key);
    if (!ctx) return decltype(Verify(*ctx, r, l, p))(std::move(ctx).error());
    return Verify(*ctx, r, l, p);
  };
}

}  // namespace

extern "C" {

RustBuffer uniffi_silvantrope_log_fn_func_keytrans_verify_search(RustBuffer context, RustBuffer vrf_public,
                                                                 RustBuffer root, RustBuffer label,
                                                                 RustBuffer proof, RustCallStatus* status) {
  return call(status, with_suite<keytrans::verify_search_proof>(nullptr), SILVANTROPE_KEYTRANS_ARGS);
}

RustBuffer uniffi_silvantrope_log_fn_func_keytrans_verify_fixed_version(RustBuffer context, RustBuffer vrf_public,
                                                                        RustBuffer root, RustBuffer label,
                                                                        RustBuffer proof, RustCallStatus* status) {
  return call(status, with_suite<keytrans::verify_fixed_version_proof>(nullptr), SILVANTROPE_KEYTRANS_ARGS);
}

void uniffi_silvantrope_log_fn_func_keytrans_verify_monitor(RustBuffer context, RustBuffer vrf_public,
                                                            RustBuffer root, RustBuffer label, RustBuffer proof,
                                                            RustCallStatus* status) {
  call(status, with_suite<keytrans::verify_monitor_proof>(nullptr), SILVANTROPE_KEYTRANS_ARGS);
}

RustBuffer uniffi_silvantrope_log_fn_func_keytrans_verify_search_suite(uint16_t suite_id, RustBuffer context,
                                                                       RustBuffer vrf_public, RustBuffer root,
                                                                       RustBuffer label, RustBuffer proof,
                                                                       RustCallStatus* status) {
  return call(status, with_suite<keytrans::verify_search_proof>(&suite_id), SILVANTROPE_KEYTRANS_ARGS);
}

RustBuffer uniffi_silvantrope_log_fn_func_keytrans_verify_fixed_version_suite(
    uint16_t suite_id, RustBuffer context, RustBuffer vrf_public, RustBuffer root, RustBuffer label,
    RustBuffer proof, RustCallStatus* status) {
  return call(status, with_suite<keytrans::verify_fixed_version_proof>(&suite_id), SILVANTROPE_KEYTRANS_ARGS);
}

void uniffi_silvantrope_log_fn_func_keytrans_verify_monitor_suite(uint16_t suite_id, RustBuffer context,
                                                                  RustBuffer vrf_public, RustBuffer root,
                                                                  RustBuffer label, RustBuffer proof,
                                                                  RustCallStatus* status) {
  call(status, with_suite<keytrans::verify_monitor_proof>(&suite_id), SILVANTROPE_KEYTRANS_ARGS);
}

}  // extern "C"
