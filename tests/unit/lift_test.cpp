#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ffi/lift.h"

namespace silvantrope::ffi {
namespace {

template <class W>
std::string failure(const Bytes& buf) {
  auto r = lift<W>(buf);
  return r ? "" : r.error().detail;
}

const std::string kJunk = "junk data left in buffer after lifting (count: ";

TEST(Lift, ByteList) {
  const Bytes input{0, 0, 0, 2, 0xaa, 0xbb};
  auto ok = lift<wire::ByteList>(input);
  ASSERT_TRUE(ok);
  EXPECT_EQ(Bytes(ok->begin(), ok->end()), (Bytes{0xaa, 0xbb}));
  const std::vector<std::pair<Bytes, std::string>> cases = {
      {{0, 0, 0, 2, 0xaa, 0xbb, 0xcc}, kJunk + "1)"},
      {{0, 0, 0, 3, 0xaa, 0xbb}, "not enough bytes remaining in buffer (0 < 1)"},
      {{0xff, 0xff, 0xff, 0xff}, "out of range integral type conversion attempted"},
      {{0x80, 0, 0, 0}, "out of range integral type conversion attempted"},
      {{}, "not enough bytes remaining in buffer (0 < 4)"},
      {{0, 0, 1}, "not enough bytes remaining in buffer (3 < 4)"},
      {{0, 0, 0, 0}, ""},
  };
  for (const auto& [buf, want] : cases) EXPECT_EQ(failure<wire::ByteList>(buf), want);
}

TEST(Lift, ListOfByteLists) {
  using W = wire::List<wire::ByteList>;
  const Bytes input{0, 0, 0, 2, 0, 0, 0, 1, 7, 0, 0, 0, 0};
  auto ok = lift<W>(input);
  ASSERT_TRUE(ok);
  ASSERT_EQ(ok->size(), 2u);
  EXPECT_EQ((*ok)[0].size(), 1u);
  EXPECT_EQ((*ok)[0][0], 7);
  EXPECT_TRUE((*ok)[1].empty());
  const std::vector<std::pair<Bytes, std::string>> cases = {
      {{0, 0, 0, 1}, "not enough bytes remaining in buffer (0 < 4)"},
      {{0, 0, 0, 1, 0, 0, 0, 2, 1}, "not enough bytes remaining in buffer (0 < 1)"},
      {{0, 0, 0, 1, 0xff, 0xff, 0xff, 0xfe}, "out of range integral type conversion attempted"},
      {{0x7f, 0xff, 0xff, 0xff}, "not enough bytes remaining in buffer (0 < 4)"},
      {{0, 0, 0, 0, 9, 9}, kJunk + "2)"},
  };
  for (const auto& [buf, want] : cases) EXPECT_EQ(failure<W>(buf), want);
}

TEST(Lift, ListOfStrings) {
  using W = wire::List<wire::String>;
  const Bytes input{0, 0, 0, 2, 0, 0, 0, 2, 'h', 'i', 0, 0, 0, 2, 0xc3, 0xa9};
  auto ok = lift<W>(input);
  ASSERT_TRUE(ok);
  EXPECT_EQ((*ok)[0], "hi");
  EXPECT_EQ((*ok)[1], "\xc3\xa9");
  const std::vector<std::pair<Bytes, std::string>> cases = {
      {{0, 0, 0, 1, 0, 0, 0, 3, 'a'}, "not enough bytes remaining in buffer (1 < 3)"},
      {{0, 0, 0, 1, 0, 0, 0, 2, 'a', 0xff}, "invalid utf-8 sequence of 1 bytes from index 1"},
      {{0, 0, 0, 1, 0, 0, 0, 3, 'a', 0xe2, 0x82}, "incomplete utf-8 byte sequence from index 1"},
      {{0, 0, 0, 2, 0, 0, 0, 1, 'a', 0, 0, 0, 1, 0x80}, "invalid utf-8 sequence of 1 bytes from index 0"},
  };
  for (const auto& [buf, want] : cases) EXPECT_EQ(failure<W>(buf), want);
}

TEST(Lift, OptionalByteList) {
  using W = wire::Optional<wire::ByteList>;
  const Bytes tag0{0}, tag1_empty{1, 0, 0, 0, 0};
  auto absent = lift<W>(tag0);
  ASSERT_TRUE(absent);
  EXPECT_FALSE(absent->has_value());
  auto empty = lift<W>(tag1_empty);
  ASSERT_TRUE(empty);
  ASSERT_TRUE(empty->has_value());
  EXPECT_TRUE((*empty)->empty());
  const std::vector<std::pair<Bytes, std::string>> cases = {
      {{2}, "unexpected tag byte for Option"},
      {{0, 0}, kJunk + "1)"},
      {{}, "not enough bytes remaining in buffer (0 < 1)"},
      {{1}, "not enough bytes remaining in buffer (0 < 4)"},
  };
  for (const auto& [buf, want] : cases) EXPECT_EQ(failure<W>(buf), want);
}

TEST(Lift, CommitmentHash) {
  using W = wire::Enum<CommitmentHash>;
  const Bytes one{0, 0, 0, 1}, two{0, 0, 0, 2};
  EXPECT_EQ(*lift<W>(one), CommitmentHash::Sha3_256);
  EXPECT_EQ(*lift<W>(two), CommitmentHash::Sha3_512);
  const std::vector<std::pair<Bytes, std::string>> cases = {
      {{0, 0, 0, 0}, "Invalid CommitmentHash enum value: 0"},
      {{0, 0, 0, 3}, "Invalid CommitmentHash enum value: 3"},
      {{0xff, 0xff, 0xff, 0xff}, "Invalid CommitmentHash enum value: -1"},
      {{0, 0, 1}, "not enough bytes remaining in buffer (3 < 4)"},
      {{0, 0, 0, 2, 0}, kJunk + "1)"},
  };
  for (const auto& [buf, want] : cases) EXPECT_EQ(failure<W>(buf), want);
}

TEST(Lift, TextIsTheWholeBufferUnchecked) {
  const Bytes abc{'a', 'b', 'c'}, bad{0xff, 0, 0, 0};
  auto t = lift<wire::Text>(abc);
  ASSERT_TRUE(t);
  EXPECT_EQ(*t, "abc");
  auto raw = lift<wire::Text>(bad);
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->size(), 4u);
}

}  // namespace
}  // namespace silvantrope::ffi
