#include <gtest/gtest.h>

#include <openssl/evp.h>

#include <string>
#include <vector>

#include "context/context_hash.h"
#include "context/label.h"

namespace silvantrope::context {
namespace {

Bytes sha3_512(const Bytes& m) {
  Bytes out(64);
  EVP_Digest(m.data(), m.size(), out.data(), nullptr, EVP_sha3_512(), nullptr);
  return out;
}

Bytes digest(std::string_view ctx, std::string_view msg) {
  Hash64 h = sha3_512_with_context(as_bytes(ctx), as_bytes(msg));
  return Bytes(h.begin(), h.end());
}

TEST(ContextHash, PrefixesOnlyTheContextLength) {
  EXPECT_EQ(digest("", ""), sha3_512(Bytes(8, 0)));
  EXPECT_EQ(digest("abc", ""), sha3_512({0, 0, 0, 0, 0, 0, 0, 3, 'a', 'b', 'c'}));
  EXPECT_EQ(digest("ab", "cd"), sha3_512({0, 0, 0, 0, 0, 0, 0, 2, 'a', 'b', 'c', 'd'}));
  // Moving a byte across the boundary changes the prefix and the digest.
  EXPECT_NE(digest("abc", "d"), digest("ab", "cd"));
}

TEST(ContextHash, ReusedHasherMatchesOneShot) {
  ContextHasher hasher;
  for (int i = 0; i < 3; ++i) {
    Hash64 a = hasher.hash(as_bytes("x/y/v1"), as_bytes("message"));
    Hash64 b = hasher.begin(as_bytes("x/y/v1")).update(as_bytes("mess")).update(as_bytes("age")).final();
    EXPECT_EQ(a, b);
    EXPECT_EQ(Bytes(a.begin(), a.end()), digest("x/y/v1", "message"));
  }
}

TEST(ContextLabel, ParsesValidLabels) {
  const std::vector<std::pair<std::string, uint64_t>> ok = {
      {"tarnwyk/key-history/v1", 1},
      {"a/b/v0", 0},
      {"a/b/v18446744073709551615", UINT64_MAX},
      {"!~/x.y-z_/v42", 42},
  };
  for (const auto& [label, version] : ok) {
    auto r = parse_context_label(label);
    ASSERT_TRUE(r) << label << ": " << r.error().message();
    EXPECT_EQ(r->text, label);
    EXPECT_EQ(r->version, version);
  }
}

TEST(ContextLabel, ReportsFirstFailure) {
  const std::string segments = "context label has too many '/'-segments: ";
  const std::string ascii = "context label segments must be non-empty printable ASCII: ";
  const std::string start_v = "context label version must start with 'v': ";
  const std::string digits = "context label version must be 'v' followed by digits: ";
  const std::string zeros = "context label version must not have leading zeros: ";
  const std::string overflow = "context label version overflow: ";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"a/b/c/v1", segments + "\"a/b/c/v1\""},
      {"a/b/v1/", segments + "\"a/b/v1/\""},
      {"/ /x/", segments + "\"/ /x/\""},
      {"a", ascii + "\"a\""},
      {"", ascii + "\"\""},
      {"a//v1", ascii + "\"a//v1\""},
      {"/b/v1", ascii + "\"/b/v1\""},
      {"a b/c/v1", ascii + "\"a b/c/v1\""},
      {"a/b\x7f/v1", ascii + "\"a/b\\u{7f}/v1\""},
      {"\xc3\xa9/b/v1", ascii + "\"\xc3\xa9/b/v1\""},
      {"a/b", start_v + "\"a/b\""},
      {"a/b/", start_v + "\"a/b/\""},
      {"a/b/V1", start_v + "\"a/b/V1\""},
      {"acme/key-history/1", start_v + "\"acme/key-history/1\""},
      {"a/b/v", digits + "\"a/b/v\""},
      {"a/b/v1x", digits + "\"a/b/v1x\""},
      {"a/b/v\xc3\xa9", digits + "\"a/b/v\xc3\xa9\""},
      {"a/b/v 1", digits + "\"a/b/v 1\""},
      {"a/b/v01", zeros + "\"a/b/v01\""},
      {"a/b/v00", zeros + "\"a/b/v00\""},
      {"a/b/v18446744073709551616", overflow + "\"a/b/v18446744073709551616\""},
      {"a/b/v99999999999999999999", overflow + "\"a/b/v99999999999999999999\""},
      {"a\n/b/v1", ascii + "\"a\\n/b/v1\""},
  };
  for (const auto& [label, want] : cases) {
    auto r = parse_context_label(label);
    ASSERT_FALSE(r) << label;
    EXPECT_EQ(r.error().kind(), Error::Kind::MalformedCanonicalLeaf);
    EXPECT_EQ(r.error().message(), "malformed canonical leaf: " + want);
  }
}

}  // namespace
}  // namespace silvantrope::context
