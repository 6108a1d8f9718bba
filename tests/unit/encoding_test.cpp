#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "encoding/base64.h"
#include "silvantrope-crypto/token.h"

namespace silvantrope {
namespace {

std::string decoded_or_error(std::string_view text) {
  auto r = encoding::base64_decode(text);
  if (!r) return r.error().message();
  std::string hex;
  for (uint8_t b : *r) hex += "0123456789abcdef"[b >> 4], hex += "0123456789abcdef"[b & 15];
  return hex;
}

TEST(Base64Decode, GroupRules) {
  const std::string m = "malformed signed note: ";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", ""},
      {"=", m + "base64 length is not a multiple of 4"},
      {"abc", m + "base64 length is not a multiple of 4"},
      {"A===", m + "too much base64 padding"},
      {"====", m + "too much base64 padding"},
      {"AA==", "00"},
      {"AB==", m + "non-canonical base64"},
      {"AAA=", "0000"},
      {"AAB=", m + "non-canonical base64"},
      {"A=AA", "000000"},
      {"A=A=", "0000"},
      {"=AAA", "000000"},
      {"AB=C", "001002"},
      {"AA==AAAA", "00000000"},
      {"AAAA=A==", "00000000"},
      {"AA-A", m + "invalid base64 character"},
      {"AA A", m + "invalid base64 character"},
      {"AA_A", m + "invalid base64 character"},
      {"A===AAAA", m + "invalid base64 group"},
      {"====AAAA", m + "invalid base64 group"},
      {"YWJj", "616263"},
      {"+/+/", "fbffbf"},
      {"////", "ffffff"},
  };
  for (const auto& [in, want] : cases) EXPECT_EQ(decoded_or_error(in), want) << in;
}

TEST(Base64Encode, StandardPadded) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", ""}, {"a", "YQ=="}, {"ab", "YWI="}, {"abc", "YWJj"}, {"abcd", "YWJjZA=="},
      {"\xff\xfe\xfd", "//79"},
  };
  for (const auto& [in, want] : cases) {
    EXPECT_EQ(encoding::base64_encode(as_bytes(in)), want);
    auto back = encoding::base64_decode(want);
    ASSERT_TRUE(back);
    EXPECT_EQ(as_text(*back), in);
  }
}

TEST(HexDecode, KeyIds) {
  EXPECT_EQ(*encoding::hex_decode("0000002a"), (Bytes{0, 0, 0, 0x2a}));
  EXPECT_EQ(*encoding::hex_decode("0000002A"), (Bytes{0, 0, 0, 0x2a}));
  EXPECT_EQ(*encoding::hex_decode("DeadBeef"), (Bytes{0xde, 0xad, 0xbe, 0xef}));
  for (std::string bad : {"0000002g", "g0000000", "0000 02a", "+0000000", "abc", "Y", "0000002"}) {
    auto r = encoding::hex_decode(bad);
    ASSERT_FALSE(r) << bad;
    EXPECT_EQ(r.error().message(), "malformed signed note: invalid hex character");
  }
}

TEST(TokenDecode, StrictStandardBase64) {
  const std::string b = "base64 decode: ";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", ""},
      {"AA==", "00"},
      {"AAA=", "0000"},
      {"AQID", "010203"},
      {"AB==", b + "Invalid last symbol 66, offset 1."},
      {"AAB=", b + "Invalid last symbol 66, offset 2."},
      {"AA", b + "Invalid padding"},
      {"AAA", b + "Invalid padding"},
      {"AA=", b + "Invalid padding"},
      {"AAAA=", b + "Invalid symbol 61, offset 4."},
      {"A===", b + "Invalid symbol 61, offset 1."},
      {"====", b + "Invalid symbol 61, offset 0."},
      {"A", b + "Invalid input length: 1"},
      {"AAAAA", b + "Invalid input length: 5"},
      {"AA=A", b + "Invalid symbol 61, offset 2."},
      {"AA-A", b + "Invalid symbol 45, offset 2."},
      {"AA A", b + "Invalid symbol 32, offset 2."},
      {"AA\nA", b + "Invalid symbol 10, offset 2."},
      {"AA===", b + "Invalid padding"},
  };
  for (const auto& [in, want] : cases) {
    auto r = crypto::decode_token(in);
    std::string got;
    if (r) {
      for (uint8_t x : *r) got += "0123456789abcdef"[x >> 4], got += "0123456789abcdef"[x & 15];
    } else {
      got = r.error().message();
      EXPECT_EQ(r.error().kind(), crypto::CryptoError::Kind::Base64);
    }
    EXPECT_EQ(got, want) << in;
  }
  // Every encoding the library writes decodes back.
  for (size_t n = 0; n < 40; ++n) {
    Bytes data(n);
    for (size_t i = 0; i < n; ++i) data[i] = static_cast<uint8_t>(i * 37 + n);
    auto back = crypto::decode_token(encoding::base64_encode(data));
    ASSERT_TRUE(back) << n;
    EXPECT_EQ(*back, data);
  }
}

}  // namespace
}  // namespace silvantrope
