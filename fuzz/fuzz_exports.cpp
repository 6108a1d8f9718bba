// SPDX-License-Identifier: Apache-2.0
// The proof, key-history and buffer exports, called as a binding would (see README.md).

#include "support.h"

// alloc, from_bytes, reserve and free on a stack of live buffers, each filled to capacity.
static void runtime(fuzz::Source& s) {
  std::vector<RustBuffer> live;
  while (s.n && live.size() < 16) {
    const uint8_t op = s.u8(), small = s.u8();
    const uint64_t size = op & 0x80 ? (uint64_t{1} << 63) + small : small;
    const fuzz::Bytes b = s.take(op % 4 == 1 ? small : 0);
    RustCallStatus st{};
    RustBuffer r{};
    if (op % 4 >= 2 && live.empty()) continue;
    if (op % 4 == 0) r = ffi_silvantrope_log_rustbuffer_alloc(size, &st);
    if (op % 4 == 1) r = ffi_silvantrope_log_rustbuffer_from_bytes({int32_t(b.size()) - (op & 0x80), b.data()}, &st);
    if (op % 4 == 2) r = ffi_silvantrope_log_rustbuffer_reserve(live.back(), size, &st);
    if (op % 4 == 3) ffi_silvantrope_log_rustbuffer_free(live.back(), op & 0x80 ? nullptr : &st);
    if (op % 4 >= 2) live.pop_back();
    const bool kept = fuzz::settle(st).code == 0 && op % 4 != 3;
    FUZZ_CHECK(kept ? r.data && r.len <= r.capacity && (op % 4 != 0 || r.len == size) : fuzz::is_zero(r));
    if (kept) live.push_back((std::memset(r.data, op, r.capacity), r));
  }
  for (const RustBuffer& b : live) fuzz::release(b);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Source s{data, size};
  const int which = s.u8() % 8;
  if (which >= 6) return runtime(s), 0;
  const uint64_t a = s.u64(), b = s.u64();
  uint8_t shape[5];
  fuzz::Bytes args[5];
  for (int i = 0; i < 5; ++i) shape[i] = s.u8(), args[i] = s.chunk();
  auto run = [&](int fn) {
    return fuzz::twice([&] {
      auto x = [&](int i) { return fuzz::arg(args[i], shape[i]); };
      RustCallStatus st{};
      RustBuffer r{};
      if (fn == 0) uniffi_silvantrope_log_fn_func_verify_inclusion(a, b, x(0), x(1), x(2), &st);
      if (fn == 1) uniffi_silvantrope_log_fn_func_verify_consistency(a, b, x(0), x(1), x(2), &st);
      if (fn == 2) r = uniffi_silvantrope_log_fn_func_key_history_v1_canonical_bytes(a, b, x(0), x(1), x(2), x(3), &st);
      if (fn == 3) r = uniffi_silvantrope_log_fn_func_key_history_v1_entry_hash(a, b, x(0), x(1), x(2), x(3), &st);
      if (fn == 4) r = uniffi_silvantrope_log_fn_func_key_history_v1_rfc6962_leaf_hash(a, b, x(0), x(1), x(2), x(3), &st);
      if (fn == 5) r = uniffi_silvantrope_log_fn_func_key_history_entry_hash_with_context(x(4), a, b, x(0), x(1), x(2), x(3), &st);
      return fuzz::settle(st, fn >= 2 ? &r : nullptr);
    });
  };
  const fuzz::Outcome o = run(which);
  FUZZ_CHECK(o.code != 0 || which < 3 || o.value.size() == (which == 4 ? 32u : 64u));
  if (o.code == 0 && which < 2) args[2].back() ^= 1, FUZZ_CHECK(run(which).code == 1);  // another root fails
  const std::string_view label = "tarnwyk/key-history/v1";  // the default, given explicitly, changes nothing
  if (o.code == 0 && which == 3) args[4].assign(label.begin(), label.end()), shape[4] = 0, FUZZ_CHECK(run(5) == o);
  return 0;
}
