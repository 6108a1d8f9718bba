#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checkpoint/checkpoint.h"
#include "encoding/base64.h"

namespace silvantrope::checkpoint {
namespace {

const std::string kRoot = encoding::base64_encode(Bytes(32, 0xab));

std::string failure(std::string_view body) {
  auto r = parse_checkpoint_body(body);
  return r ? "" : r.error().message();
}

TEST(CheckpointBody, Parses) {
  auto h = parse_checkpoint_body("example.com/log\n42\n" + kRoot + "\nx-ext one\n\xe2\x80\x94 two\n");
  ASSERT_TRUE(h) << h.error().message();
  EXPECT_EQ(h->origin, "example.com/log");
  EXPECT_EQ(h->size, 42u);
  EXPECT_EQ(h->root, Bytes(32, 0xab));
  EXPECT_EQ(h->extensions, (std::vector<std::string>{"x-ext one", "\xe2\x80\x94 two"}));

  auto crlf = parse_checkpoint_body("o\r\n0\r\n" + kRoot + "\r\n");
  ASSERT_TRUE(crlf);
  EXPECT_EQ(crlf->origin, "o");
  EXPECT_EQ(crlf->size, 0u);
  EXPECT_TRUE(crlf->extensions.empty());

  auto unterminated = parse_checkpoint_body("o\n18446744073709551615\n" + kRoot);
  ASSERT_TRUE(unterminated);
  EXPECT_EQ(unterminated->size, UINT64_MAX);
}

TEST(CheckpointBody, FailuresInOrder) {
  const std::string m = "malformed checkpoint: ";
  const std::string root48 = encoding::base64_encode(Bytes(48, 1));
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", m + "missing origin line"},
      {"origin\n", m + "missing tree-size line"},
      {"\n5\n", m + "missing root-hash line"},
      {"\n5\n" + kRoot + "\n", m + "empty origin line"},
      {"o\n00\n" + kRoot + "\n", m + "tree size has a leading zero: \"00\""},
      {"o\n01\n" + kRoot + "\n", m + "tree size has a leading zero: \"01\""},
      {"o\n+5\n" + kRoot + "\n", m + "tree size is not decimal: \"+5\""},
      {"o\n-1\n" + kRoot + "\n", m + "tree size is not decimal: \"-1\""},
      {"o\n 5\n" + kRoot + "\n", m + "tree size is not decimal: \" 5\""},
      {"o\n\n" + kRoot + "\n", m + "tree size is not decimal: \"\""},
      {"o\n18446744073709551616\n" + kRoot + "\n", m + "tree size overflow: \"18446744073709551616\""},
      {"o\n1\n\n", m + "root hash is 0 bytes, want 32"},
      {"o\n1\n" + root48 + "\n", m + "root hash is 48 bytes, want 32"},
      {"o\n1\nAAAA AAA\n", m + "root hash is not valid base64: \"AAAA AAA\""},
      {"o\n1\n\tx\n", m + "root hash is not valid base64: \"\\tx\""},
      {"o\n1\n" + kRoot + "\n\n", m + "empty extension line"},
      {"o\n1\n" + kRoot + "\next\n\nmore\n", m + "empty extension line"},
      {"o\n1\n" + kRoot + "\n", ""},
  };
  for (const auto& [body, want] : cases) EXPECT_EQ(failure(body), want) << body;
}

}  // namespace
}  // namespace silvantrope::checkpoint
