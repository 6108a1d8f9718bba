// The proof and key-history exports as a foreign caller sees them: raw
// argument buffers, status codes, exact error buffers, ownership.

#include <gtest/gtest.h>

#include <openssl/evp.h>

#include <cstring>
#include <string>

#include "abi_client.h"
#include "rfc6962_tree.h"
#include "silvantrope_log.h"

namespace {

using namespace slog_client;
using test_support::Rfc6962Tree;

const RustBuffer kSentinel{0x1234, 0x5678, reinterpret_cast<uint8_t*>(0x9abc)};

// A status the caller initialised; success must leave every byte of it alone.
RustCallStatus fresh_status() {
  RustCallStatus st;
  std::memset(&st, 0, sizeof st);
  st.error_buf = kSentinel;
  return st;
}

bool untouched(const RustCallStatus& st) {
  return st.code == 0 && st.error_buf.capacity == kSentinel.capacity &&
         st.error_buf.len == kSentinel.len && st.error_buf.data == kSentinel.data;
}

Bytes raw(const RustBuffer& b) { return contents(b); }

TEST(AbiProofs, SuccessLeavesStatusUntouched) {
  Rfc6962Tree tree(test_support::reference_leaves());
  RustCallStatus st = fresh_status();
  uniffi_silvantrope_log_fn_func_verify_inclusion(
      2, 8, byte_list(test_support::leaf_hash(test_support::reference_leaves()[2])),
      list_of_byte_lists(tree.inclusion_proof(2, 8)), byte_list(tree.root(8)), &st);
  EXPECT_TRUE(untouched(st));

  st = fresh_status();
  uniffi_silvantrope_log_fn_func_verify_consistency(3, 7, list_of_byte_lists(tree.consistency_proof(3, 7)),
                                                    byte_list(tree.root(3)), byte_list(tree.root(7)), &st);
  EXPECT_TRUE(untouched(st));
}

TEST(AbiProofs, VerifyErrorBufferLayout) {
  RustCallStatus st{};
  uniffi_silvantrope_log_fn_func_verify_inclusion(0, 1, byte_list(Bytes(32, 1)), list_of_byte_lists({}),
                                                  byte_list(Bytes(32, 2)), &st);
  ASSERT_EQ(st.code, 1);
  const std::string msg = "root mismatch: recomputed root does not match the expected root";
  Bytes want{0, 0, 0, 1, 0, 0, 0, 0x3f};
  want.insert(want.end(), msg.begin(), msg.end());
  EXPECT_EQ(raw(st.error_buf), want);
  EXPECT_EQ(st.error_buf.capacity, st.error_buf.len);
  free_buffer(st.error_buf);
}

TEST(AbiProofs, LiftFailuresNameTheArgument) {
  const Bytes h32(32, 5);
  struct Case {
    const char* name;
    bool inclusion;
    Bytes a, b, c;  // the three buffer arguments, raw
    std::string message;
  };
  auto bl = [](const Bytes& b) { return Encoder().byte_list(b).bytes(); };
  Bytes junk2 = bl(h32);
  junk2.push_back(0);
  junk2.push_back(0);
  const Bytes empty_list{0, 0, 0, 0};
  const Case cases[] = {
      {"junk after leaf_hash", true, junk2, empty_list, bl(h32),
       "Failed to convert arg 'leaf_hash':\njunk data left in buffer after lifting (count: 2)"},
      {"negative proof count", true, bl(h32), {0xff, 0xff, 0xff, 0xff}, bl(h32),
       "Failed to convert arg 'proof':\nout of range integral type conversion attempted"},
      {"empty root buffer", true, bl(h32), empty_list, {},
       "Failed to convert arg 'root':\nnot enough bytes remaining in buffer (0 < 4)"},
      {"short root", true, bl(h32), empty_list, {0, 0, 0, 3, 1, 2},
       "Failed to convert arg 'root':\nnot enough bytes remaining in buffer (0 < 1)"},
      {"short proof element", false, {0, 0, 0, 1, 0, 0, 0, 32, 1}, bl(h32), bl(h32),
       "Failed to convert arg 'proof':\nnot enough bytes remaining in buffer (0 < 1)"},
      {"junk after root1", false, empty_list, junk2, bl(h32),
       "Failed to convert arg 'root1':\njunk data left in buffer after lifting (count: 2)"},
      {"first failure wins", false, empty_list, {}, {},
       "Failed to convert arg 'root1':\nnot enough bytes remaining in buffer (0 < 4)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RustCallStatus st{};
    if (c.inclusion) {
      uniffi_silvantrope_log_fn_func_verify_inclusion(0, 1, make_buffer(c.a), make_buffer(c.b),
                                                      make_buffer(c.c), &st);
    } else {
      uniffi_silvantrope_log_fn_func_verify_consistency(1, 2, make_buffer(c.a), make_buffer(c.b),
                                                        make_buffer(c.c), &st);
    }
    Outcome o = outcome(st);
    EXPECT_EQ(o.code, 2);
    EXPECT_EQ(o.message, c.message);
  }
}

TEST(AbiProofs, MalformedArgumentBufferIsAnInternalFault) {
  uint8_t storage[8] = {};
  RustCallStatus st{};
  // The proof buffer claims more bytes than its capacity: the call fails
  // without touching (or freeing) that storage; the other buffers are released.
  uniffi_silvantrope_log_fn_func_verify_inclusion(0, 1, byte_list(Bytes(32, 1)),
                                                  RustBuffer{4, 8, storage}, byte_list(Bytes(32, 1)), &st);
  Outcome o = outcome(st);
  EXPECT_EQ(o.code, 2);
  EXPECT_EQ(o.message, "RustBuffer length exceeds capacity");
}

TEST(AbiKeyHistory, GenesisAndNormalisation) {
  KeyHistoryEntry genesis;
  Bytes absent, empty;
  ASSERT_TRUE(key_history(KeyHistoryOutput::CanonicalBytes, genesis, std::nullopt, absent).ok());
  Bytes want{0, 0, 0, 1};
  want.resize(36, 0);
  EXPECT_EQ(absent, want);

  for (auto what : {KeyHistoryOutput::CanonicalBytes, KeyHistoryOutput::EntryHash, KeyHistoryOutput::LeafHash}) {
    KeyHistoryEntry a{9, 99, {1}, {2, 2}, {3, 3, 3}, std::nullopt};
    KeyHistoryEntry b = a;
    b.prev_entry_hash = Bytes{};
    Bytes ra, rb;
    ASSERT_TRUE(key_history(what, a, std::nullopt, ra).ok());
    ASSERT_TRUE(key_history(what, b, std::nullopt, rb).ok());
    EXPECT_EQ(ra, rb);
  }
  KeyHistoryEntry a{9, 99, {1}, {2, 2}, {3, 3, 3}, std::nullopt}, b = a;
  b.prev_entry_hash = Bytes{};
  Bytes ra, rb;
  ASSERT_TRUE(key_history(KeyHistoryOutput::EntryHash, a, "x/y/v1", ra).ok());
  ASSERT_TRUE(key_history(KeyHistoryOutput::EntryHash, b, "x/y/v1", rb).ok());
  EXPECT_EQ(ra, rb);
}

TEST(AbiKeyHistory, HashesAndLabels) {
  KeyHistoryEntry e{3, 1700000000123, Bytes(32, 0x11), Bytes(1184, 0x22), Bytes(32, 0x33), Bytes(64, 0x44)};
  Bytes canonical, v1, labelled, other, leaf;
  ASSERT_TRUE(key_history(KeyHistoryOutput::CanonicalBytes, e, std::nullopt, canonical).ok());
  ASSERT_TRUE(key_history(KeyHistoryOutput::EntryHash, e, std::nullopt, v1).ok());
  ASSERT_TRUE(key_history(KeyHistoryOutput::EntryHash, e, "tarnwyk/key-history/v1", labelled).ok());
  ASSERT_TRUE(key_history(KeyHistoryOutput::EntryHash, e, "acme/key-history/v2", other).ok());
  ASSERT_TRUE(key_history(KeyHistoryOutput::LeafHash, e, std::nullopt, leaf).ok());
  EXPECT_EQ(canonical.size(), 36u + 32 + 1184 + 32 + 64);
  EXPECT_EQ(v1.size(), 64u);
  EXPECT_EQ(v1, labelled);
  EXPECT_NE(v1, other);
  EXPECT_EQ(leaf, test_support::leaf_hash(canonical));

  // The leaf hash is what verify_inclusion takes: a one-leaf tree's root.
  EXPECT_TRUE(verify_inclusion(0, 1, leaf, {}, leaf).ok());
  EXPECT_EQ(verify_inclusion(0, 1, leaf, {}, Bytes(32, 0)).code, 1);

  Bytes unused;
  Outcome bad = key_history(KeyHistoryOutput::EntryHash, e, "acme/key-history", unused);
  EXPECT_EQ(bad.code, 1);
  EXPECT_EQ(bad.message,
            "malformed canonical leaf: context label version must start with 'v': \"acme/key-history\"");
}

TEST(AbiKeyHistory, LiftFailures) {
  struct Case {
    Bytes prev;
    std::string message;
  };
  const Case cases[] = {
      {{2}, "Failed to convert arg 'prev_entry_hash':\nunexpected tag byte for Option"},
      {{0, 0}, "Failed to convert arg 'prev_entry_hash':\njunk data left in buffer after lifting (count: 1)"},
      {{1, 0, 0, 0, 2, 9}, "Failed to convert arg 'prev_entry_hash':\nnot enough bytes remaining in buffer (0 < 1)"},
  };
  for (const Case& c : cases) {
    RustCallStatus st{};
    RustBuffer r = uniffi_silvantrope_log_fn_func_key_history_v1_entry_hash(
        0, 0, byte_list({}), byte_list({}), byte_list({}), make_buffer(c.prev), &st);
    Outcome o = outcome(st);
    EXPECT_EQ(o.code, 2);
    EXPECT_EQ(o.message, c.message);
    EXPECT_EQ(r.data, nullptr);
    EXPECT_EQ(r.len, 0u);
  }
  RustCallStatus st{};
  uniffi_silvantrope_log_fn_func_key_history_entry_hash_with_context(
      text("a/b/v1"), 0, 0, make_buffer(Bytes{0, 0, 0}), byte_list({}), byte_list({}),
      optional_bytes(std::nullopt), &st);
  Outcome o = outcome(st);
  EXPECT_EQ(o.message, "Failed to convert arg 'enc_x25519':\nnot enough bytes remaining in buffer (3 < 4)");
}

TEST(AbiKeyHistory, InvalidUtf8LabelIsQuotedAsBytes) {
  KeyHistoryEntry e;
  Bytes unused;
  Outcome o = key_history(KeyHistoryOutput::EntryHash, e, std::string("a\xff/b/v1"), unused);
  EXPECT_EQ(o.code, 1);
  EXPECT_EQ(o.message,
            "malformed canonical leaf: context label segments must be non-empty printable ASCII: \"a\\xff/b/v1\"");
}

}  // namespace
