// SPDX-License-Identifier: Apache-2.0
#include "commitment/commitment.h"
#include "ffi/call.h"
#include "silvantrope_log.h"

using namespace silvantrope;
using namespace silvantrope::ffi;

extern "C" {

void uniffi_silvantrope_log_fn_func_verify_commitment(RustBuffer context, RustBuffer commitment,
                                                      RustBuffer value, RustBuffer opening,
                                                      RustCallStatus* status) {
  call(
      status,
      [](std::string_view ctx, ByteView c, ByteView v, ByteView o) -> Outcome<void> {
        auto commitment64 = exact<64>("commitment", c);
        if (!commitment64) return std::move(commitment64).error();
        auto opening32 = exact<32>("opening", o);
        if (!opening32) return std::move(opening32).error();
        return outcome(commitment::verify_commitment(as_bytes(ctx), *commitment64, v, *opening32));
      },
      arg<wire::Text>("context", context), arg<wire::ByteList>("commitment", commitment),
      arg<wire::ByteList>("value", value), arg<wire::ByteList>("opening", opening));
}

}  // extern "C"
