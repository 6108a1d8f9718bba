// SPDX-License-Identifier: Apache-2.0
#include "ffi/call.h"
#include "merkle/proof.h"
#include "silvantrope_log.h"

using namespace silvantrope;
using namespace silvantrope::ffi;

extern "C" {

void uniffi_silvantrope_log_fn_func_verify_inclusion(uint64_t index, uint64_t size,
                                                     RustBuffer leaf_hash, RustBuffer proof,
                                                     RustBuffer root, RustCallStatus* status) {
  call(
      status,
      [&](ByteView leaf, const ByteViewList& path, const ByteView& r) {
        return merkle::verify_inclusion_proof(index, size, leaf, path, r);
      },
      arg<wire::ByteList>("leaf_hash", leaf_hash),
      arg<wire::List<wire::ByteList>>("proof", proof), arg<wire::ByteList>("root", root));
}

void uniffi_silvantrope_log_fn_func_verify_consistency(uint64_t size1, uint64_t size2,
                                                       RustBuffer proof, RustBuffer root1,
                                                       RustBuffer root2, RustCallStatus* status) {
  call(
      status,
      [&](const ByteViewList& path, ByteView r1, ByteView r2) {
        return merkle::verify_consistency_proof(size1, size2, path, r1, r2);
      },
      arg<wire::List<wire::ByteList>>("proof", proof), arg<wire::ByteList>("root1", root1),
      arg<wire::ByteList>("root2", root2));
}

}  // extern "C"
