// SPDX-License-Identifier: Apache-2.0
#pragma once

// Lifting argument buffers into C++ values. Lifted values are views into the
// argument's storage, which the call frame owns until the call returns.

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/byte_reader.h"
#include "core/byte_view_list.h"
#include "core/bytes.h"
#include "core/enums.h"
#include "core/expected.h"
#include "core/utf8.h"

namespace silvantrope::ffi {

// Why a lift failed, kept as plain values and rendered into its detail text
// (e.g. "junk data left in buffer after lifting (count: 2)") only when a
// call fails: lifting an argument that is fine costs no string.
struct LiftFailure {
  enum class Kind : uint8_t { NotEnough, NegativeLength, OptionTag, Junk, Utf8, CommitmentHashValue };
  Kind kind;
  size_t a = 0, b = 0;  // NotEnough: remaining, needed; Junk: count; CommitmentHashValue: a
  utf8::Invalid utf8{};

  std::string detail() const;
};

template <class T>
using Lifted = Expected<T, LiftFailure>;

// Wire types, named as the interface declares them.
namespace wire {
struct Text {};       // a top-level string argument: the raw bytes, unchecked
struct String {};     // a string inside a compound value: length-prefixed UTF-8
struct ByteList {};   // list of u8
template <class T>
struct List {};
template <class T>
struct Optional {};
template <class E>
struct Enum {};
}  // namespace wire

template <class W>
struct Lift;

// Reads one value of wire type W from a reader.
template <class W>
using LiftValue = typename Lift<W>::Value;

LiftFailure not_enough(size_t remaining, size_t needed);
LiftFailure not_enough(const Shortage& s);

// A length or count prefix: signed 32-bit, negative values rejected. Inline,
// with the byte-list read below: every call lifts several.
inline Lifted<size_t> read_length(ByteReader& r) {
  auto n = r.i32();
  if (!n) return not_enough(n.error());
  if (*n < 0) return LiftFailure{LiftFailure::Kind::NegativeLength};
  return static_cast<size_t>(*n);
}

// kMinSize: the fewest bytes one value of the type occupies on the wire.

// The byte-list lifts are always inlined into the call frame: nearly every
// export has them, and a lifted value returned through memory is reloaded
// before its stores have retired.
#define SILVANTROPE_LIFT_INLINE [[gnu::always_inline]] inline

template <>
struct Lift<wire::ByteList> {
  using Value = ByteView;
  static constexpr size_t kMinSize = 4;
  SILVANTROPE_LIFT_INLINE static Lifted<Value> read(ByteReader& r) {
    const auto n = r.i32();
    if (!n) return not_enough(n.error());
    if (*n < 0) return LiftFailure{LiftFailure::Kind::NegativeLength};
    // The elements are u8 values read one by one, so a short list runs out
    // with nothing left against the one byte the next element needs.
    const auto bytes = r.take(static_cast<size_t>(*n));
    if (!bytes) return not_enough(0, 1);
    return *bytes;
  }
};

template <>
struct Lift<wire::String> {
  using Value = std::string_view;
  static constexpr size_t kMinSize = 4;
  static Lifted<Value> read(ByteReader& r);
};

template <class W>
struct Lift<wire::List<W>> {
  using Value = std::vector<LiftValue<W>>;
  static constexpr size_t kMinSize = 4;
  static Lifted<Value> read(ByteReader& r) {
    auto count = read_length(r);
    if (!count) return std::move(count).error();
    Value out;
    // Never trust the count for the allocation: no more elements than the
    // remaining bytes could hold.
    out.reserve(std::min(*count, r.remaining() / Lift<W>::kMinSize));
    for (size_t i = 0; i < *count; ++i) {
      auto v = Lift<W>::read(r);
      if (!v) return std::move(v).error();
      out.push_back(std::move(*v));
    }
    return out;
  }
};

// A list of byte lists is checked element by element, then read in place.
template <>
struct Lift<wire::List<wire::ByteList>> {
  using Value = ByteViewList;
  static constexpr size_t kMinSize = 4;
  SILVANTROPE_LIFT_INLINE static Lifted<Value> read(ByteReader& r) {
    auto count = read_length(r);
    if (!count) return std::move(count).error();
    const size_t start = r.pos();
    for (size_t i = 0; i < *count; ++i) {
      auto v = Lift<wire::ByteList>::read(r);
      if (!v) return std::move(v).error();
    }
    return ByteViewList::prefixed(*count, r.consumed_since(start));
  }
};

template <class W>
struct Lift<wire::Optional<W>> {
  using Value = std::optional<LiftValue<W>>;
  static constexpr size_t kMinSize = 1;
  static Lifted<Value> read(ByteReader& r) {
    auto tag = r.u8();
    if (!tag) return not_enough(tag.error());
    if (*tag == 0) return Value{};
    if (*tag != 1) return LiftFailure{LiftFailure::Kind::OptionTag};
    auto v = Lift<W>::read(r);
    if (!v) return std::move(v).error();
    return Value{std::move(*v)};
  }
};

template <>
struct Lift<wire::Enum<CommitmentHash>> {
  using Value = CommitmentHash;
  static Lifted<Value> read(ByteReader& r);
};

template <>
struct Lift<wire::Text> {
  using Value = std::string_view;
};

// A whole argument buffer, the value and then nothing, lifted straight into
// out (the call frame's slot for it) rather than returned; on failure why
// says what went wrong.
template <class W>
SILVANTROPE_LIFT_INLINE bool lift_into(ByteView buf, LiftValue<W>& out, LiftFailure& why) {
  ByteReader r(buf);
  auto v = Lift<W>::read(r);
  if (!v) {
    why = std::move(v).error();
    return false;
  }
  if (!r.empty()) {
    why = LiftFailure{LiftFailure::Kind::Junk, r.remaining()};
    return false;
  }
  out = std::move(*v);
  return true;
}

template <>
SILVANTROPE_LIFT_INLINE bool lift_into<wire::Text>(ByteView buf, std::string_view& out, LiftFailure&) {
  out = as_text(buf);
  return true;
}

template <class W>
Lifted<LiftValue<W>> lift(ByteView buf) {
  LiftValue<W> v{};
  LiftFailure why{};
  if (!lift_into<W>(buf, v, why)) return why;
  return v;
}

// Lifted values view the buffer: it must outlive them.
template <class W>
void lift(Bytes&&) = delete;

}  // namespace silvantrope::ffi
