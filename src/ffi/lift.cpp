// SPDX-License-Identifier: Apache-2.0
#include "ffi/lift.h"

#include "core/utf8.h"

namespace silvantrope::ffi {

LiftFailure not_enough(size_t remaining, size_t needed) {
  return {LiftFailure::Kind::NotEnough, remaining, needed};
}

std::string LiftFailure::detail() const {
  switch (kind) {
    case Kind::NotEnough:
      return "not enough bytes remaining in buffer (" + std::to_string(a) + " < " + std::to_string(b) + ")";
    case Kind::NegativeLength: return "out of range integral type conversion attempted";
    case Kind::OptionTag: return "unexpected tag byte for Option";
    case Kind::Junk: return "junk data left in buffer after lifting (count: " + std::to_string(a) + ")";
    case Kind::Utf8: return utf8::describe(utf8);
    case Kind::CommitmentHashValue:
      return "Invalid CommitmentHash enum value: " + std::to_string(static_cast<int32_t>(a));
  }
  return {};
}

LiftFailure not_enough(const Shortage& s) { return not_enough(s.remaining, s.wanted); }

Lifted<std::string_view> Lift<wire::String>::read(ByteReader& r) {
  auto n = read_length(r);
  if (!n) return std::move(n).error();
  auto bytes = r.take(*n);
  if (!bytes) return not_enough(bytes.error());
  const std::string_view s = as_text(*bytes);
  if (auto bad = utf8::validate(s)) return LiftFailure{LiftFailure::Kind::Utf8, 0, 0, *bad};
  return s;
}

Lifted<CommitmentHash> Lift<wire::Enum<CommitmentHash>>::read(ByteReader& r) {
  auto n = r.i32();
  if (!n) return not_enough(n.error());
  switch (*n) {
    case 1: return CommitmentHash::Sha3_256;
    case 2: return CommitmentHash::Sha3_512;
    default: return LiftFailure{LiftFailure::Kind::CommitmentHashValue, static_cast<uint32_t>(*n)};
  }
}

}  // namespace silvantrope::ffi
