// SPDX-License-Identifier: Apache-2.0
// Argument lifting; the first byte picks the wire type (see README.md).

#include "ffi/lift.h"
#include "ffi/lower.h"
#include "support.h"

namespace ffi = silvantrope::ffi;
namespace wire = silvantrope::ffi::wire;
using silvantrope::ByteView;
using silvantrope::ByteWriter;

// Lifts twice; a lifted value lowered again is the input.
template <class W, class Lower>
static void check(ByteView in, Lower lower) {
  const auto a = ffi::lift<W>(in);
  const auto b = ffi::lift<W>(in);
  ByteWriter w;
  if (a) lower(w, *a);
  FUZZ_CHECK(a ? b && silvantrope::equal(w.data(), in) : !b && a.error().detail() == b.error().detail());
  FUZZ_CHECK(a || fuzz::known_message(a.error().detail()));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ByteView in(data + (size > 0), size - (size > 0));
  const auto string = [](ByteWriter& w, std::string_view s) { FUZZ_CHECK(fuzz::utf8(s)), ffi::write_string(w, s); };
  const auto list = [](auto item) {
    return [item](ByteWriter& w, const auto& v) { ffi::write_length(w, v.size()); for (const auto& x : v) item(w, x); };
  };
  switch (size > 0 ? data[0] % 6 : 0) {
    case 0: check<wire::ByteList>(in, ffi::write_byte_list); break;
    case 1: check<wire::List<wire::ByteList>>(in, list(ffi::write_byte_list)); break;
    case 2: check<wire::List<wire::String>>(in, list(string)); break;
    case 3: check<wire::Optional<wire::ByteList>>(in, [](ByteWriter& w, auto v) { v ? ffi::write_byte_list(w.u8(1), *v) : void(w.u8(0)); }); break;
    case 4: check<wire::Enum<silvantrope::CommitmentHash>>(in, [](ByteWriter& w, auto v) { w.i32(int32_t(v)); }); break;
    case 5: check<wire::Text>(in, [](ByteWriter& w, std::string_view t) { w.text(t); }); break;
  }
  return 0;
}
