// The runtime exports, through the public header only.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "abi_client.h"
#include "silvantrope_log.h"

namespace {

using namespace slog_client;

TEST(Runtime, ContractVersionAndChecksums) {
  EXPECT_EQ(ffi_silvantrope_log_uniffi_contract_version(), 30u);
  const std::pair<uint16_t (*)(), uint16_t> expected[] = {
      {uniffi_silvantrope_log_checksum_func_verify_inclusion, 0x5d09},
      {uniffi_silvantrope_log_checksum_func_verify_consistency, 0x11ad},
      {uniffi_silvantrope_log_checksum_func_key_history_v1_canonical_bytes, 0x18ea},
      {uniffi_silvantrope_log_checksum_func_key_history_v1_entry_hash, 0x63e0},
      {uniffi_silvantrope_log_checksum_func_key_history_entry_hash_with_context, 0x9ec4},
      {uniffi_silvantrope_log_checksum_func_key_history_v1_rfc6962_leaf_hash, 0x6fff},
      {uniffi_silvantrope_log_checksum_func_verify_signed_note, 0x9603},
      {uniffi_silvantrope_log_checksum_func_checkpoint_verify, 0xdc15},
      {uniffi_silvantrope_log_checksum_func_checkpoint_parse, 0xfcbf},
      {uniffi_silvantrope_log_checksum_func_checkpoint_verify_inclusion, 0x5787},
      {uniffi_silvantrope_log_checksum_func_checkpoint_verify_consistency, 0x13c9},
      {uniffi_silvantrope_log_checksum_func_coniks_verify_lookup, 0xf72b},
      {uniffi_silvantrope_log_checksum_func_coniks_verify_absence, 0x534e},
      {uniffi_silvantrope_log_checksum_func_verify_commitment, 0xfa0a},
      {uniffi_silvantrope_log_checksum_func_signed_policy_verify, 0x18a0},
      {uniffi_silvantrope_log_checksum_func_policy_enforce_checkpoint_signing_key, 0x719e},
      {uniffi_silvantrope_log_checksum_func_policy_enforce_checkpoint_signature, 0x9ad7},
      {uniffi_silvantrope_log_checksum_func_policy_enforce_vrf_suite_id, 0x9546},
      {uniffi_silvantrope_log_checksum_func_policy_enforce_commitment_hash, 0x412c},
      {uniffi_silvantrope_log_checksum_func_policy_enforce_directory_backend, 0xfdfb},
      {uniffi_silvantrope_log_checksum_func_keytrans_verify_search, 0xcfa5},
      {uniffi_silvantrope_log_checksum_func_keytrans_verify_fixed_version, 0x8a54},
      {uniffi_silvantrope_log_checksum_func_keytrans_verify_monitor, 0x37de},
      {uniffi_silvantrope_log_checksum_func_keytrans_verify_search_suite, 0xe8ec},
      {uniffi_silvantrope_log_checksum_func_keytrans_verify_fixed_version_suite, 0x1e22},
      {uniffi_silvantrope_log_checksum_func_keytrans_verify_monitor_suite, 0xf697},
  };
  for (const auto& [fn, value] : expected) EXPECT_EQ(fn(), value);
}

TEST(Runtime, Alloc) {
  RustCallStatus st{};
  RustBuffer b = ffi_silvantrope_log_rustbuffer_alloc(5, &st);
  ASSERT_EQ(st.code, 0);
  EXPECT_EQ(b.capacity, 5u);
  EXPECT_EQ(b.len, 5u);
  EXPECT_EQ(contents(b), Bytes(5, 0));
  free_buffer(b);

  RustBuffer empty = ffi_silvantrope_log_rustbuffer_alloc(0, &st);
  ASSERT_EQ(st.code, 0);
  EXPECT_EQ(empty.capacity, 0u);
  EXPECT_EQ(empty.len, 0u);
  free_buffer(empty);

  RustBuffer huge = ffi_silvantrope_log_rustbuffer_alloc(uint64_t{1} << 63, &st);
  Outcome o = outcome(st);
  EXPECT_EQ(o.code, 2);
  EXPECT_EQ(o.message, "capacity overflow");
  EXPECT_EQ(huge.data, nullptr);
  EXPECT_EQ(huge.capacity, 0u);
}

TEST(Runtime, FromBytes) {
  const uint8_t data[] = {1, 2, 3};
  struct Case {
    ForeignBytes in;
    int code;
    std::string message;
    Bytes contents;
  };
  const Case cases[] = {
      {{3, data}, 0, "", {1, 2, 3}},
      {{0, data}, 0, "", {}},
      {{0, nullptr}, 0, "", {}},
      {{-1, nullptr}, 2, "null ForeignBytes had non-zero length", {}},
      {{2, nullptr}, 2, "null ForeignBytes had non-zero length", {}},
      {{-1, data}, 2, "bytes length negative or overflowed: TryFromIntError(())", {}},
  };
  for (const Case& c : cases) {
    RustCallStatus st{};
    RustBuffer b = ffi_silvantrope_log_rustbuffer_from_bytes(c.in, &st);
    Outcome o = outcome(st);
    EXPECT_EQ(o.code, c.code);
    EXPECT_EQ(o.message, c.message);
    EXPECT_EQ(contents(b), c.contents);
    EXPECT_EQ(b.capacity, c.contents.size());
    if (o.ok()) free_buffer(b);
  }
}

TEST(Runtime, FreeChecksTheBuffer) {
  uint8_t storage[4] = {};
  struct Case {
    RustBuffer buf;
    std::string message;
  };
  // None of these may be freed: the storage is on this stack.
  const Case cases[] = {
      {{2, 3, storage}, "RustBuffer length exceeds capacity"},
      {{1, 0, nullptr}, "null RustBuffer had non-zero capacity"},
      {{0, 1, nullptr}, "null RustBuffer had non-zero length"},
  };
  for (const Case& c : cases) {
    RustCallStatus st{};
    ffi_silvantrope_log_rustbuffer_free(c.buf, &st);
    Outcome o = outcome(st);
    EXPECT_EQ(o.code, 2);
    EXPECT_EQ(o.message, c.message);
  }
  RustCallStatus st{};
  ffi_silvantrope_log_rustbuffer_free(RustBuffer{0, 0, nullptr}, &st);
  EXPECT_EQ(st.code, 0);
  ffi_silvantrope_log_rustbuffer_free(RustBuffer{0, 0, storage}, &st);
  EXPECT_EQ(st.code, 0);
}

TEST(Runtime, Reserve) {
  RustCallStatus st{};
  RustBuffer b = make_buffer(Bytes{7, 8, 9});
  RustBuffer same = ffi_silvantrope_log_rustbuffer_reserve(b, 0, &st);
  ASSERT_EQ(st.code, 0);
  EXPECT_EQ(same.data, b.data);
  EXPECT_EQ(same.len, 3u);
  EXPECT_EQ(same.capacity, 3u);

  RustBuffer grown = ffi_silvantrope_log_rustbuffer_reserve(same, 100, &st);
  ASSERT_EQ(st.code, 0);
  EXPECT_EQ(grown.len, 3u);
  EXPECT_GE(grown.capacity - grown.len, 100u);
  EXPECT_EQ(contents(grown), (Bytes{7, 8, 9}));
  std::memset(grown.data + 3, 0xee, 100);  // the new room is writable

  RustBuffer from_empty = ffi_silvantrope_log_rustbuffer_reserve(RustBuffer{0, 0, nullptr}, 16, &st);
  ASSERT_EQ(st.code, 0);
  EXPECT_GE(from_empty.capacity, 16u);
  free_buffer(from_empty);

  RustBuffer overflow = ffi_silvantrope_log_rustbuffer_reserve(grown, uint64_t{1} << 63, &st);
  Outcome o = outcome(st);
  EXPECT_EQ(o.code, 2);
  EXPECT_EQ(o.message, "capacity overflow");
  EXPECT_EQ(overflow.data, nullptr);

  uint8_t storage[2];
  ffi_silvantrope_log_rustbuffer_reserve(RustBuffer{1, 2, storage}, 1, &st);
  o = outcome(st);
  EXPECT_EQ(o.code, 2);
  EXPECT_EQ(o.message, "RustBuffer length exceeds capacity");
}

}  // namespace
