// SPDX-License-Identifier: Apache-2.0
#include <type_traits>

#include "coniks/verify.h"
#include "context/namespace.h"
#include "ffi/call.h"
#include "silvantrope_log.h"

using namespace silvantrope;
using namespace silvantrope::ffi;

namespace {

// Namespace first, then the root's length, then the proof itself.
template <class F, class R = std::invoke_result_t<F&, context::Namespace, const Hash64&>>
Outcome<typename R::value_type> with_namespace_and_root(std::string_view ns_text, ByteView root, F&& f) {
  auto ns = context::validate_namespace(ns_text);
  if (!ns) return VerifyError{std::move(ns).error().take_message()};
  auto root64 = exact<64>("coniks root", root);
  if (!root64) return std::move(root64).error();
  return outcome(f(*ns, *root64));
}

}  // namespace

extern "C" {

RustBuffer uniffi_silvantrope_log_fn_func_coniks_verify_lookup(RustBuffer ns, RustBuffer vrf_public,
                                                               RustBuffer root, RustBuffer identity,
                                                               RustBuffer proof, RustCallStatus* status) {
  return call(
      status,
      [](std::string_view n, ByteView key, ByteView r, ByteView id, ByteView p) {
        return with_namespace_and_root(n, r, [&](context::Namespace valid, const Hash64& root64) {
          return coniks::verify_lookup(valid, key, root64, id, p);
        });
      },
      arg<wire::Text>("namespace", ns), arg<wire::ByteList>("vrf_public", vrf_public),
      arg<wire::ByteList>("root", root), arg<wire::ByteList>("identity", identity),
      arg<wire::ByteList>("proof", proof));
}

void uniffi_silvantrope_log_fn_func_coniks_verify_absence(RustBuffer ns, RustBuffer vrf_public,
                                                          RustBuffer root, RustBuffer identity,
                                                          RustBuffer proof, RustCallStatus* status) {
  call(
      status,
      [](std::string_view n, ByteView key, ByteView r, ByteView id, ByteView p) {
        return with_namespace_and_root(n, r, [&](context::Namespace valid, const Hash64& root64) {
          return coniks::verify_absence(valid, key, root64, id, p);
        });
      },
      arg<wire::Text>("namespace", ns), arg<wire::ByteList>("vrf_public", vrf_public),
      arg<wire::ByteList>("root", root), arg<wire::ByteList>("identity", identity),
      arg<wire::ByteList>("proof", proof));
}

}  // extern "C"
