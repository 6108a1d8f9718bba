// SPDX-License-Identifier: Apache-2.0
// The C ABI as a foreign caller sees it, through the public header only: the
// runtime exports, call status, error buffers, lifting failures and buffer
// ownership. Verification outcomes are in tests/data/cases; the contract
// version and checksums are checked by the Python binding at import.

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <functional>

#include "notes.h"
#include "silvantrope_log.hpp"

namespace {

using namespace silvantrope_log;
using namespace silvantrope_log::wire;

// The message a status carries ("" for success), its error buffer released.
std::string status_message(RustCallStatus& st) {
  auto e = status_error(st);
  st = RustCallStatus{};
  return e ? e->message : "";
}

// A failure with a NULL status has nowhere to go: the process ends rather
// than the call pass for a success. A success needs no status.
TEST(RuntimeDeathTest, FailureWithoutStatusAborts) {
  const Bytes h(32, 0);
  const auto inclusion = [&](uint64_t size) {
    uniffi_silvantrope_log_fn_func_verify_inclusion(0, size, byte_list(h), list_of_byte_lists({}), byte_list(h), nullptr);
  };
  inclusion(1);
  EXPECT_DEATH(inclusion(2), "");
}

TEST(Runtime, Buffers) {
  RustCallStatus st{};
  // A block just freed with other bytes in it comes back zeroed.
  RustBuffer dirty = ffi_silvantrope_log_rustbuffer_alloc(40, &st);
  std::memset(dirty.data, 0xee, 40);
  free_buffer(dirty);
  RustBuffer again = ffi_silvantrope_log_rustbuffer_alloc(40, &st);
  EXPECT_EQ(contents(again), Bytes(40, 0));
  free_buffer(again);
  RustBuffer b = ffi_silvantrope_log_rustbuffer_alloc(5, &st);
  ASSERT_EQ(st.code, 0);
  EXPECT_EQ(b.capacity, 5u);
  EXPECT_EQ(contents(b), Bytes(5, 0));
  RustBuffer grown = ffi_silvantrope_log_rustbuffer_reserve(b, 3, &st);  // capacity 5, but no room
  ASSERT_EQ(st.code, 0);
  EXPECT_EQ(grown.len, 5u);
  EXPECT_GE(grown.capacity, 8u);
  std::memset(grown.data + 5, 0xee, 3);  // the new room is writable
  const RustBuffer kept = ffi_silvantrope_log_rustbuffer_reserve(grown, grown.capacity - grown.len, &st);
  EXPECT_EQ(kept.data, grown.data);  // exactly room enough: neither moved nor shrunk
  EXPECT_EQ(kept.capacity, grown.capacity);
  EXPECT_EQ(ffi_silvantrope_log_rustbuffer_reserve(grown, uint64_t{1} << 63, &st).data, nullptr);
  EXPECT_EQ(status_message(st), "capacity overflow");
  uint8_t storage[4] = {};  // never the library's: nothing may free or reallocate it
  for (uint8_t* data : {static_cast<uint8_t*>(nullptr), storage}) {
    RustBuffer from_empty = ffi_silvantrope_log_rustbuffer_reserve(RustBuffer{0, 0, data}, 16, &st);
    EXPECT_GE(from_empty.capacity, 16u);
    free_buffer(from_empty);
  }
  EXPECT_EQ(ffi_silvantrope_log_rustbuffer_alloc(uint64_t{1} << 63, &st).data, nullptr);
  EXPECT_EQ(status_message(st), "capacity overflow");

  const uint8_t data[] = {1, 2, 3};
  const struct {
    ForeignBytes in;
    std::string message;
    Bytes contents;
  } from_bytes[] = {
      {{3, data}, "", {1, 2, 3}},
      {{0, nullptr}, "", {}},
      {{0, data}, "", {}},
      {{2, nullptr}, "null ForeignBytes had non-zero length", {}},
      {{-1, data}, "bytes length negative or overflowed: TryFromIntError(())", {}},
  };
  for (const auto& c : from_bytes) {
    RustBuffer r = ffi_silvantrope_log_rustbuffer_from_bytes(c.in, &st);
    EXPECT_EQ(status_message(st), c.message);
    EXPECT_EQ(contents(r), c.contents);
    if (c.message.empty()) free_buffer(r);
  }
  // None of these may be freed.
  const std::pair<RustBuffer, std::string> bad[] = {
      {{2, 3, storage}, "RustBuffer length exceeds capacity"},
      {{1, 0, nullptr}, "null RustBuffer had non-zero capacity"},
      {{0, 1, nullptr}, "null RustBuffer had non-zero length"},
  };
  for (const auto& [buf, message] : bad) {
    ffi_silvantrope_log_rustbuffer_free(buf, &st);
    EXPECT_EQ(status_message(st), message);
    ffi_silvantrope_log_rustbuffer_reserve(buf, 1, &st);
    EXPECT_EQ(status_message(st), message);
  }
  st = RustCallStatus{};
  ffi_silvantrope_log_rustbuffer_free(RustBuffer{0, 0, storage}, &st);
  EXPECT_EQ(st.code, 0);
}

TEST(Status, SuccessLeavesItAloneAndFailureWritesAVerifyError) {
  const RustBuffer sentinel{0x1234, 0x5678, reinterpret_cast<uint8_t*>(0x9abc)};
  RustCallStatus st{0, sentinel};
  const Bytes leaf(32, 1);
  uniffi_silvantrope_log_fn_func_verify_inclusion(0, 1, byte_list(leaf), list_of_byte_lists({}), byte_list(leaf), &st);
  EXPECT_EQ(std::memcmp(&st.error_buf, &sentinel, sizeof sentinel), 0);
  EXPECT_EQ(st.code, 0);

  st = RustCallStatus{};
  uniffi_silvantrope_log_fn_func_verify_inclusion(0, 1, byte_list(leaf), list_of_byte_lists({}), byte_list(Bytes(32, 2)), &st);
  ASSERT_EQ(st.code, 1);
  const std::string msg = "root mismatch: recomputed root does not match the expected root";
  Bytes want{0, 0, 0, 1, 0, 0, 0, 0x3f};
  want.insert(want.end(), msg.begin(), msg.end());
  EXPECT_EQ(contents(st.error_buf), want);
  EXPECT_EQ(st.error_buf.capacity, st.error_buf.len);
  free_buffer(st.error_buf);

  // A failed call returns its zero value.
  st = RustCallStatus{};
  EXPECT_EQ(uniffi_silvantrope_log_fn_func_verify_signed_note(text("x"), list_of_strings({}), &st), 0u);
  EXPECT_EQ(st.code, 1);
  free_buffer(st.error_buf);
}

TEST(Lifting, FailuresNameTheArgument) {
  Bytes junk = Encoder().byte_list(Bytes(32, 5)).bytes();
  junk.insert(junk.end(), {0, 0});
  const Bytes h32 = Encoder().byte_list(Bytes(32, 5)).bytes(), none{0}, empty_list{0, 0, 0, 0};
  auto raw = [](const Bytes& b) { return make_buffer(b); };
  using Call = std::function<void(RustCallStatus*)>;
  const std::vector<std::pair<Call, std::string>> cases = {
      {[&](auto st) { uniffi_silvantrope_log_fn_func_verify_inclusion(0, 1, raw(junk), raw(empty_list), raw(h32), st); },
       "Failed to convert arg 'leaf_hash':\njunk data left in buffer after lifting (count: 2)"},
      {[&](auto st) { uniffi_silvantrope_log_fn_func_verify_inclusion(0, 1, raw(h32), raw({0xff, 0xff, 0xff, 0xff}), raw(h32), st); },
       "Failed to convert arg 'proof':\nout of range integral type conversion attempted"},
      {[&](auto st) { uniffi_silvantrope_log_fn_func_verify_inclusion(0, 1, raw(h32), raw(empty_list), raw({0, 0, 0, 3, 1, 2}), st); },
       "Failed to convert arg 'root':\nnot enough bytes remaining in buffer (0 < 1)"},
      {[&](auto st) { uniffi_silvantrope_log_fn_func_verify_consistency(1, 2, raw({0, 0, 0, 1, 0, 0, 0, 32, 1}), raw(h32), raw(h32), st); },
       "Failed to convert arg 'proof':\nnot enough bytes remaining in buffer (0 < 1)"},
      {[&](auto st) { uniffi_silvantrope_log_fn_func_verify_consistency(1, 2, raw(empty_list), raw(junk), raw(h32), st); },
       "Failed to convert arg 'root1':\njunk data left in buffer after lifting (count: 2)"},
      {[&](auto st) { uniffi_silvantrope_log_fn_func_verify_consistency(1, 2, raw(empty_list), raw(h32), RustBuffer{0, 0, nullptr}, st); },
       "Failed to convert arg 'root2':\nnot enough bytes remaining in buffer (0 < 4)"},
      {[&](auto st) { uniffi_silvantrope_log_fn_func_key_history_v1_entry_hash(0, 0, raw(empty_list), raw(empty_list), raw(empty_list), raw({2}), st); },
       "Failed to convert arg 'prev_entry_hash':\nunexpected tag byte for Option"},
      {[&](auto st) { uniffi_silvantrope_log_fn_func_key_history_v1_canonical_bytes(0, 0, raw(empty_list), raw({0, 0, 0}), raw(empty_list), raw(none), st); },
       "Failed to convert arg 'enc_pq':\nnot enough bytes remaining in buffer (3 < 4)"},
      {[&](auto st) { uniffi_silvantrope_log_fn_func_key_history_v1_rfc6962_leaf_hash(0, 0, raw(empty_list), raw(empty_list), raw({0}), raw(none), st); },
       "Failed to convert arg 'signing_pub':\nnot enough bytes remaining in buffer (1 < 4)"},
      {[&](auto st) { uniffi_silvantrope_log_fn_func_key_history_entry_hash_with_context(text("a/b/v1"), 0, 0, raw({0, 0, 0}), raw(empty_list), raw(empty_list), raw(none), st); },
       "Failed to convert arg 'enc_x25519':\nnot enough bytes remaining in buffer (3 < 4)"},
      {[&](auto st) { uniffi_silvantrope_log_fn_func_verify_signed_note(text("n"), raw({0, 0, 0, 1, 0, 0, 0, 2, 'a', 0xff}), st); },
       "Failed to convert arg 'vkeys':\ninvalid utf-8 sequence of 1 bytes from index 1"},
      {[&](auto st) { uniffi_silvantrope_log_fn_func_checkpoint_verify(text("n"), raw({0, 0, 0, 1}), st); },
       "Failed to convert arg 'vkeys':\nnot enough bytes remaining in buffer (0 < 4)"},
      {[&](auto st) { uniffi_silvantrope_log_fn_func_checkpoint_verify_inclusion(text("n"), raw(empty_list), 0, raw({0, 0, 0}), raw(empty_list), st); },
       "Failed to convert arg 'leaf_hash':\nnot enough bytes remaining in buffer (3 < 4)"},
      {[&](auto st) { uniffi_silvantrope_log_fn_func_checkpoint_verify_consistency(text("a"), text("b"), raw(empty_list), raw({0}), st); },
       "Failed to convert arg 'proof':\nnot enough bytes remaining in buffer (1 < 4)"},
      {[&](auto st) { uniffi_silvantrope_log_fn_func_checkpoint_verify_cosigned(text("n"), raw(empty_list), raw({0, 0, 0, 1}), 1, 0, st); },
       "Failed to convert arg 'cosigner_vkeys':\nnot enough bytes remaining in buffer (0 < 4)"},
      {[&](auto st) { uniffi_silvantrope_log_fn_func_tlog_proof_verify(text("p"), text("q"), raw({0, 0, 0, 1}), 0, st); },
       "Failed to convert arg 'leaf_hash':\nnot enough bytes remaining in buffer (0 < 1)"},
      {[&](auto st) { uniffi_silvantrope_log_fn_func_verify_commitment(text("c"), raw(h32), raw(h32), raw(junk), st); },
       "Failed to convert arg 'opening':\njunk data left in buffer after lifting (count: 2)"},
      {[&](auto st) { uniffi_silvantrope_log_fn_func_coniks_verify_lookup(text("n"), raw(h32), raw(h32), raw(h32), raw({1}), st); },
       "Failed to convert arg 'proof':\nnot enough bytes remaining in buffer (1 < 4)"},
      {[&](auto st) { uniffi_silvantrope_log_fn_func_coniks_verify_absence(text("n"), raw(h32), raw({}), raw(h32), raw(h32), st); },
       "Failed to convert arg 'root':\nnot enough bytes remaining in buffer (0 < 4)"},
      {[&](auto st) { uniffi_silvantrope_log_fn_func_coniks_verify_lookup(text("n"), raw(junk), raw(h32), raw(h32), raw(h32), st); },
       "Failed to convert arg 'vrf_public':\njunk data left in buffer after lifting (count: 2)"},
  };
  for (const auto& [call, message] : cases) {
    RustCallStatus st{};
    call(&st);
    EXPECT_EQ(st.code, 2);
    EXPECT_EQ(status_message(st), message);
  }
  // A buffer claiming more bytes than its capacity fails the call without
  // being touched or freed; the other buffers are released.
  uint8_t storage[8] = {};
  RustCallStatus st{};
  uniffi_silvantrope_log_fn_func_verify_inclusion(0, 1, raw(h32), RustBuffer{4, 8, storage}, raw(h32), &st);
  EXPECT_EQ(status_message(st), "RustBuffer length exceeds capacity");
}

// A list's declared count reserves no more elements than its remaining bytes
// could hold (4 bytes for a string): 50 MB declaring 2^31 - 1 zero-length
// keys fails on its bytes with 240 MB of address space to spare, room for
// the 13.1 M views (210 MB) those bytes hold but not for a reservation
// counting 3 bytes a string (280 MB), let alone 16 bytes per remaining byte.
// Sanitizers reserve address space of their own, so they skip this.
TEST(Lifting, ListReservationBoundedByRemainingBytes) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "address-space limits do not mix with sanitizers";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
  GTEST_SKIP() << "address-space limits do not mix with sanitizers";
#endif
#endif
  constexpr size_t kSize = 50 << 20;
  Bytes keys(kSize, 0);
  keys[0] = 0x7f, keys[1] = keys[2] = keys[3] = 0xff;
  RustBuffer note = text("n"), vkeys = make_buffer(keys);
  keys = {};
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    size_t pages = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr || std::fscanf(statm, "%zu", &pages) != 1) _exit(3);
    const rlimit limit{pages * 4096 + (240 << 20), pages * 4096 + (240 << 20)};
    if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(3);
    RustCallStatus st{};
    uniffi_silvantrope_log_fn_func_verify_signed_note(note, vkeys, &st);
    _exit(status_message(st) == "Failed to convert arg 'vkeys':\nnot enough bytes remaining in buffer (0 < 4)" ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  free_buffer(note);
  free_buffer(vkeys);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(Lowering, KeyHistoryAndCheckpointHead) {
  // A present but empty previous hash is a genesis entry, for every output.
  using Prev = const std::optional<Bytes>&;
  const std::vector<std::pair<std::function<Result<Bytes>(Prev)>, size_t>> outputs = {
      {[](Prev p) { return key_history_v1_canonical_bytes(9, 99, {1}, {2, 2}, {3, 3, 3}, p); }, 42},
      {[](Prev p) { return key_history_v1_entry_hash(9, 99, {1}, {2, 2}, {3, 3, 3}, p); }, 64},
      {[](Prev p) { return key_history_v1_rfc6962_leaf_hash(9, 99, {1}, {2, 2}, {3, 3, 3}, p); }, 32},
      {[](Prev p) { return key_history_entry_hash_with_context("x/y/v1", 9, 99, {1}, {2, 2}, {3, 3, 3}, p); }, 64},
  };
  for (const auto& [output, size] : outputs) {
    const auto absent = output(std::nullopt), empty = output(Bytes{});
    ASSERT_TRUE(absent.ok() && empty.ok());
    EXPECT_EQ(*absent, *empty);
    EXPECT_EQ(absent->size(), size);
  }
  RustCallStatus st{};
  RustBuffer r = uniffi_silvantrope_log_fn_func_checkpoint_parse(
      text(test_support::checkpoint_body("o", 258, Bytes(32, 0xcd), {"e"})), &st);
  ASSERT_EQ(st.code, 0);
  Bytes want{0, 0, 0, 1, 'o', 0, 0, 0, 0, 0, 0, 1, 2, 0, 0, 0, 32};
  want.resize(want.size() + 32, 0xcd);
  want.insert(want.end(), {0, 0, 0, 1, 0, 0, 0, 1, 'e'});
  EXPECT_EQ(contents(r), want);
  free_buffer(r);
}

}  // namespace
