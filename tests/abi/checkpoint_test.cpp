// Signed notes and checkpoints through the C ABI.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "abi_client.h"
#include "notes.h"
#include "rfc6962_tree.h"
#include "silvantrope_log.h"

namespace {

using namespace slog_client;
using test_support::NoteKey;
using test_support::Rfc6962Tree;

struct Log {
  NoteKey key = NoteKey::ed25519("log.example/a", 11);
  NoteKey pq = NoteKey::composite("log.example/pq", test_support::SchemeType::EdMlDsa44, 12);
  std::vector<Bytes> leaves;
  Rfc6962Tree tree{{}};

  Log() {
    for (int i = 0; i < 13; ++i) leaves.push_back({static_cast<uint8_t>(i), 'L'});
    tree = Rfc6962Tree(leaves);
  }
  std::string checkpoint(size_t n, const std::string& origin = "log.example/a") const {
    return test_support::sign_note(test_support::checkpoint_body(origin, n, tree.root(n)), {&key, &pq});
  }
  std::vector<std::string> vkeys() const { return {key.verifier_key(), pq.verifier_key()}; }
};

const Log& log() {
  static const Log l;
  return l;
}

TEST(AbiCheckpoint, VerifyReturnsTheHead) {
  const std::string note = log().checkpoint(13);
  CheckpointHead head;
  Outcome o = checkpoint_verify(note, log().vkeys(), head);
  ASSERT_TRUE(o.ok()) << o.message;
  EXPECT_EQ(head.origin, "log.example/a");
  EXPECT_EQ(head.size, 13u);
  EXPECT_EQ(head.root, log().tree.root(13));
  EXPECT_TRUE(head.extensions.empty());

  uint32_t count = 99;
  o = verify_signed_note(note, log().vkeys(), count);
  ASSERT_TRUE(o.ok()) << o.message;
  EXPECT_EQ(count, 2u);
  o = verify_signed_note(note, {}, count);
  EXPECT_EQ(o.code, 1);
  EXPECT_EQ(o.message, "note has no verifiable signature from a trusted key");
  EXPECT_EQ(count, 0u) << "a failed call returns zero";
}

TEST(AbiCheckpoint, HeadEncoding) {
  RustCallStatus st{};
  RustBuffer r = uniffi_silvantrope_log_fn_func_checkpoint_parse(
      text(test_support::checkpoint_body("o", 258, Bytes(32, 0xcd))), &st);
  ASSERT_EQ(st.code, 0);
  Bytes want{0, 0, 0, 1, 'o', 0, 0, 0, 0, 0, 0, 1, 2, 0, 0, 0, 32};
  want.resize(want.size() + 32, 0xcd);
  want.insert(want.end(), {0, 0, 0, 0});
  EXPECT_EQ(contents(r), want);
  free_buffer(r);

  CheckpointHead head;
  ASSERT_TRUE(checkpoint_parse(test_support::checkpoint_body("o", 1, Bytes(32, 1), {"a", "\xc3\xa9"}), head).ok());
  EXPECT_EQ(head.extensions, (std::vector<std::string>{"a", "\xc3\xa9"}));
}

TEST(AbiCheckpoint, ProofsAgainstVerifiedHeads) {
  const std::string note7 = log().checkpoint(7), note13 = log().checkpoint(13);
  for (size_t i = 0; i < 13; ++i) {
    EXPECT_TRUE(checkpoint_verify_inclusion(note13, log().vkeys(), i, test_support::leaf_hash(log().leaves[i]),
                                            log().tree.inclusion_proof(i, 13)).ok()) << i;
  }
  Outcome beyond = checkpoint_verify_inclusion(note7, log().vkeys(), 7, test_support::leaf_hash(log().leaves[7]), {});
  EXPECT_EQ(beyond.message, "leaf index 7 is beyond tree size 7");

  EXPECT_TRUE(checkpoint_verify_consistency(note7, note13, log().vkeys(), log().tree.consistency_proof(7, 13)).ok());
  // Origins are not compared: only the proof relates the two trees.
  const std::string renamed = log().checkpoint(13, "elsewhere.example/b");
  EXPECT_TRUE(checkpoint_verify_consistency(note7, renamed, log().vkeys(), log().tree.consistency_proof(7, 13)).ok());
  Outcome backwards = checkpoint_verify_consistency(note13, note7, log().vkeys(), {});
  EXPECT_EQ(backwards.message, "tree size regression: size2 (7) < size1 (13)");
  // The older note is checked first.
  Outcome untrusted = checkpoint_verify_consistency("x", note13, log().vkeys(), {});
  EXPECT_EQ(untrusted.message, "malformed signed note: missing blank-line signature separator");
}

TEST(AbiCheckpoint, KeysAreParsedBeforeTheNote) {
  CheckpointHead head;
  Outcome o = checkpoint_verify("not a note", {log().key.verifier_key(), "bad"}, head);
  EXPECT_EQ(o.message, "malformed signed note: malformed verifier key: \"bad\"");
}

TEST(AbiCheckpoint, LiftFailures) {
  RustCallStatus st{};
  Encoder bad_list;
  bad_list.i32(1).i32(2).u8('a').u8(0xff);
  RustBuffer r = uniffi_silvantrope_log_fn_func_checkpoint_verify(text(log().checkpoint(3)), make_buffer(bad_list.bytes()), &st);
  Outcome o = outcome(st);
  EXPECT_EQ(o.code, 2);
  EXPECT_EQ(o.message, "Failed to convert arg 'vkeys':\ninvalid utf-8 sequence of 1 bytes from index 1");
  EXPECT_EQ(r.data, nullptr);

  st = RustCallStatus{};
  uniffi_silvantrope_log_fn_func_checkpoint_verify_inclusion(text("n"), list_of_strings({}), 0, make_buffer(Bytes{0, 0, 0}),
                                                             list_of_byte_lists({}), &st);
  o = outcome(st);
  EXPECT_EQ(o.message, "Failed to convert arg 'leaf_hash':\nnot enough bytes remaining in buffer (3 < 4)");
}

}  // namespace
