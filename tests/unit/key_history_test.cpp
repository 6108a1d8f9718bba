#include <gtest/gtest.h>

#include <openssl/evp.h>

#include "context/label.h"
#include "key_history/entry.h"
#include "rfc6962_tree.h"

namespace silvantrope::key_history {
namespace {

const Bytes kX{1, 2, 3}, kPq{4, 5}, kSig{6};

Bytes be(uint64_t v, int n) {
  Bytes out;
  for (int i = n - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  return out;
}

Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(KeyHistory, CanonicalBytes) {
  const Bytes prev{0xab};
  struct Case {
    const char* name;
    Entry entry;
    Bytes want;
  };
  const Case cases[] = {
      {"empty genesis", Entry{}, cat({be(1, 4), Bytes(32, 0)})},
      {"fields in order",
       Entry{0x0102030405060708, 0x1112131415161718, kX, kPq, kSig, std::nullopt},
       cat({be(1, 4), be(0x0102030405060708, 8), be(0x1112131415161718, 8), be(3, 4), kX,
            be(2, 4), kPq, be(1, 4), kSig, be(0, 4)})},
      {"one-byte previous hash", Entry{0, 0, {}, {}, {}, ByteView(prev)},
       cat({be(1, 4), Bytes(28, 0), be(1, 4), prev})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto r = canonical_bytes(c.entry);
    ASSERT_TRUE(r);
    EXPECT_EQ(*r, c.want);
  }
}

TEST(KeyHistory, PresentButEmptyPreviousHash) {
  const Bytes none;
  Entry e{0, 0, kX, kPq, kSig, ByteView(none)};
  auto r = canonical_bytes(e);
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error().message(),
            "malformed canonical leaf: prev_entry_hash present but empty; genesis must use None");
  EXPECT_FALSE(normalised(e).prev_entry_hash.has_value());
  EXPECT_EQ(*canonical_bytes(normalised(e)), *canonical_bytes(Entry{0, 0, kX, kPq, kSig, {}}));
}

TEST(KeyHistory, HashesOverCanonicalBytes) {
  const Bytes prev(64, 0x77);
  Entry e{5, 1700000000000, kX, kPq, kSig, ByteView(prev)};
  const Bytes canon = *canonical_bytes(e);

  auto label = context::parse_context_label(kDefaultLabel);
  ASSERT_TRUE(label);
  Bytes message = cat({be(22, 8), Bytes(kDefaultLabel.begin(), kDefaultLabel.end()), canon});
  Bytes want(64);
  EVP_Digest(message.data(), message.size(), want.data(), nullptr, EVP_sha3_512(), nullptr);
  Hash64 got = *entry_hash(e, *label);
  EXPECT_EQ(Bytes(got.begin(), got.end()), want);

  auto other = context::parse_context_label("acme/key-history/v2");
  ASSERT_TRUE(other);
  EXPECT_NE(*entry_hash(e, *other), got);

  Hash32 leaf = *rfc6962_leaf_hash(e);
  EXPECT_EQ(Bytes(leaf.begin(), leaf.end()), test_support::leaf_hash(canon));
}

}  // namespace
}  // namespace silvantrope::key_history
