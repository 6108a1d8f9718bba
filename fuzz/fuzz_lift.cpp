// Argument lifting. The first byte picks a wire type, the rest is the buffer.
// Every outcome is compared with the lifting model in support.h (same value,
// or the same failure detail); a successful lift must re-encode to exactly the
// input, and its views must point into the input.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "ffi/lift.h"
#include "support.h"

namespace {

using silvantrope::ByteView;
using silvantrope::CommitmentHash;
namespace ffi = silvantrope::ffi;
namespace wire = silvantrope::ffi::wire;

struct Input {
  const uint8_t* p;
  size_t n;
  ByteView view() const { return {p, n}; }
};

std::string describe_input(const Input& in) { return "buffer " + fuzz::hex(in.p, in.n); }

// A lifted view is the bytes at slice s of the input, not a copy.
void check_view(const Input& in, ByteView v, const fuzz::Slice& s) {
  FUZZ_CHECK(v.size() == s.size, describe_input(in) + ": view size " + std::to_string(v.size()) +
                                     ", expected " + std::to_string(s.size));
  if (s.size != 0) {
    FUZZ_CHECK(v.data() == in.p + s.offset,
               describe_input(in) + ": view not at offset " + std::to_string(s.offset));
  }
}

void check_text_view(const Input& in, std::string_view v, const fuzz::Slice& s) {
  check_view(in, silvantrope::as_bytes(v), s);
  FUZZ_CHECK(fuzz::valid_utf8(v), describe_input(in) + ": lifted string is not UTF-8");
}

void check_round_trip(const Input& in, const fuzz::Bytes& encoded) {
  FUZZ_CHECK(encoded.size() == in.n && std::equal(encoded.begin(), encoded.end(), in.p),
             describe_input(in) + ": re-encoded as " + fuzz::hex(encoded));
}

template <class V>
void check_failure(const Input& in, const ffi::Lifted<V>& got, const fuzz::LiftModel& model) {
  FUZZ_CHECK(!got.has_value(), describe_input(in) + ": lifted, model failed with \"" +
                                   model.failure() + "\"");
  const std::string& detail = got.error().detail;
  FUZZ_CHECK(fuzz::known_lift_detail(detail), describe_input(in) + ": unknown detail \"" + detail + "\"");
  FUZZ_CHECK(detail == model.failure(),
             describe_input(in) + ": detail \"" + detail + "\", model \"" + model.failure() + "\"");
}

template <class V>
void check_success_expected(const Input& in, const ffi::Lifted<V>& got) {
  FUZZ_CHECK(got.has_value(),
             describe_input(in) + ": model lifted, library failed with \"" + got.error().detail + "\"");
}

void byte_list(const Input& in) {
  auto got = ffi::lift<wire::ByteList>(in.view());
  fuzz::LiftModel model(in.p, in.n);
  fuzz::Slice s{};
  if (!(model.byte_list(s) && model.finish())) return check_failure(in, got, model);
  check_success_expected(in, got);
  check_view(in, *got, s);
  FUZZ_CHECK(s.offset == 4 && s.size == in.n - 4, describe_input(in) + ": not the whole buffer");
  fuzz::Bytes enc;
  fuzz::put_framed(enc, got->data(), got->size());
  check_round_trip(in, enc);
}

void byte_lists(const Input& in) {
  auto got = ffi::lift<wire::List<wire::ByteList>>(in.view());
  fuzz::LiftModel model(in.p, in.n);
  std::vector<fuzz::Slice> items;
  if (!(model.byte_lists(items) && model.finish())) return check_failure(in, got, model);
  check_success_expected(in, got);
  FUZZ_CHECK(got->size() == items.size(), describe_input(in) + ": element count differs");
  fuzz::Bytes enc;
  fuzz::put_be32(enc, static_cast<uint32_t>(got->size()));
  for (size_t i = 0; i < items.size(); ++i) {
    check_view(in, (*got)[i], items[i]);
    fuzz::put_framed(enc, (*got)[i].data(), (*got)[i].size());
  }
  check_round_trip(in, enc);
}

void strings(const Input& in) {
  auto got = ffi::lift<wire::List<wire::String>>(in.view());
  fuzz::LiftModel model(in.p, in.n);
  std::vector<fuzz::Slice> items;
  if (!(model.strings(items) && model.finish())) return check_failure(in, got, model);
  check_success_expected(in, got);
  FUZZ_CHECK(got->size() == items.size(), describe_input(in) + ": element count differs");
  fuzz::Bytes enc;
  fuzz::put_be32(enc, static_cast<uint32_t>(got->size()));
  for (size_t i = 0; i < items.size(); ++i) {
    check_text_view(in, (*got)[i], items[i]);
    const ByteView b = silvantrope::as_bytes((*got)[i]);
    fuzz::put_framed(enc, b.data(), b.size());
  }
  check_round_trip(in, enc);
}

void optional_byte_list(const Input& in) {
  auto got = ffi::lift<wire::Optional<wire::ByteList>>(in.view());
  fuzz::LiftModel model(in.p, in.n);
  std::optional<fuzz::Slice> s;
  if (!(model.optional_byte_list(s) && model.finish())) return check_failure(in, got, model);
  check_success_expected(in, got);
  FUZZ_CHECK(got->has_value() == s.has_value(), describe_input(in) + ": presence differs");
  fuzz::Bytes enc;
  if (!s) {
    enc.push_back(0);
  } else {
    check_view(in, **got, *s);
    enc.push_back(1);
    fuzz::put_framed(enc, (*got)->data(), (*got)->size());
  }
  check_round_trip(in, enc);
}

void commitment_hash(const Input& in) {
  auto got = ffi::lift<wire::Enum<CommitmentHash>>(in.view());
  fuzz::LiftModel model(in.p, in.n);
  int32_t v = 0;
  if (!(model.commitment_hash(v) && model.finish())) return check_failure(in, got, model);
  check_success_expected(in, got);
  FUZZ_CHECK(static_cast<int32_t>(*got) == v, describe_input(in) + ": enum value differs");
  fuzz::Bytes enc;
  fuzz::put_be32(enc, static_cast<uint32_t>(static_cast<int32_t>(*got)));
  check_round_trip(in, enc);
}

// A top-level text argument is the raw bytes, whatever they are.
void text(const Input& in) {
  auto got = ffi::lift<wire::Text>(in.view());
  check_success_expected(in, got);
  check_view(in, silvantrope::as_bytes(*got), fuzz::Slice{0, in.n});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const Input in{data + 1, size - 1};
  switch (data[0] % 6) {
    case 0: byte_list(in); break;
    case 1: byte_lists(in); break;
    case 2: strings(in); break;
    case 3: optional_byte_list(in); break;
    case 4: commitment_hash(in); break;
    case 5: text(in); break;
  }
  return 0;
}
