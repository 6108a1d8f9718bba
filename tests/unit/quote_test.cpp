#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/quote.h"
#include "core/utf8.h"

namespace silvantrope {
namespace {

TEST(Quote, EscapesLikeDebugFormattingOfStrings) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"acme", "\"acme\""},
      {"", "\"\""},
      {"witness-a", "\"witness-a\""},
      {"it's", "\"it's\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"a\\b", "\"a\\\\b\""},
      {"\t\r\n", "\"\\t\\r\\n\""},
      {std::string("a\0b", 3), "\"a\\0b\""},
      {" ", "\" \""},
      {"\x1b[0m", "\"\\u{1b}[0m\""},
      {"\x7f", "\"\\u{7f}\""},
      {"caf\xc3\xa9", "\"caf\xc3\xa9\""},                  // é: printable
      {"e\xcc\x81", "\"e\\u{301}\""},                      // combining acute: Grapheme_Extend
      {"\xc2\xa0", "\"\\u{a0}\""},                         // no-break space: Zs
      {"\xc2\x85", "\"\\u{85}\""},                         // NEL: Cc
      {"\xc2\xad", "\"\\u{ad}\""},                         // soft hyphen: Cf
      {"\xe2\x80\x8b", "\"\\u{200b}\""},                   // zero width space: Cf
      {"\xe2\x80\x8d", "\"\\u{200d}\""},                   // zero width joiner
      {"\xe2\x80\xa8", "\"\\u{2028}\""},                   // line separator: Zl
      {"\xe2\x80\xa9", "\"\\u{2029}\""},                   // paragraph separator: Zp
      {"\xe3\x80\x80", "\"\\u{3000}\""},                   // ideographic space: Zs
      {"\xef\xbb\xbf", "\"\\u{feff}\""},                   // byte order mark: Cf
      {"\xee\x80\x80", "\"\\u{e000}\""},                   // private use: Co
      {"\xcd\xb8", "\"\\u{378}\""},                        // unassigned: Cn
      {"\xf4\x8f\xbf\xbf", "\"\\u{10ffff}\""},             // noncharacter: Cn
      {"\xf0\x9f\x98\x80", "\"\xf0\x9f\x98\x80\""},        // emoji: printable
      {"\xe6\x97\xa5\xe6\x9c\xac", "\"\xe6\x97\xa5\xe6\x9c\xac\""},
      {"\xe0\xa4\x95\xe0\xa4\xbf", "\"\xe0\xa4\x95\xe0\xa4\xbf\""},  // Devanagari sign i: Mc, printable
      {"\xf3\xa0\x84\x80", "\"\\u{e0100}\""},              // variation selector 17: Mn
      // Bytes that are not UTF-8 come out as \x escapes, keeping the message valid UTF-8.
      {"a\xff" "b", "\"a\\xffb\""},
      {"\xe2\x82", "\"\\xe2\\x82\""},
      {"\xed\xa0\x80", "\"\\xed\\xa0\\x80\""},
  };
  for (const auto& [in, want] : cases) {
    const std::string got = quote(in);
    EXPECT_EQ(got, want);
    EXPECT_FALSE(utf8::validate(got).has_value()) << got;
  }
}

TEST(Quote, TableBoundaries) {
  EXPECT_TRUE(needs_unicode_escape(0x0));
  EXPECT_TRUE(needs_unicode_escape(0x1f));
  EXPECT_FALSE(needs_unicode_escape(0x20));
  EXPECT_FALSE(needs_unicode_escape(0x7e));
  EXPECT_TRUE(needs_unicode_escape(0x7f));
  EXPECT_TRUE(needs_unicode_escape(0xa0));
  EXPECT_FALSE(needs_unicode_escape(0xa1));
  EXPECT_TRUE(needs_unicode_escape(0x300));
  EXPECT_TRUE(needs_unicode_escape(0x36f));
  EXPECT_FALSE(needs_unicode_escape(0x370));
  EXPECT_TRUE(needs_unicode_escape(0x10ffff));
  EXPECT_TRUE(needs_unicode_escape(0xd800));
}

TEST(Utf8, ErrorsMatchRustSemantics) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"\xff", "invalid utf-8 sequence of 1 bytes from index 0"},
      {"a\x80", "invalid utf-8 sequence of 1 bytes from index 1"},
      {"\xc0\x80", "invalid utf-8 sequence of 1 bytes from index 0"},      // overlong lead
      {"\xc3\x28", "invalid utf-8 sequence of 1 bytes from index 0"},
      {"\xe0\x80\x80", "invalid utf-8 sequence of 1 bytes from index 0"},  // overlong
      {"\xed\xa0\x80", "invalid utf-8 sequence of 1 bytes from index 0"},  // surrogate
      {"\xe2\x82\x28", "invalid utf-8 sequence of 2 bytes from index 0"},
      {"\xf0\x90\x80\x28", "invalid utf-8 sequence of 3 bytes from index 0"},
      {"\xf4\x90\x80\x80", "invalid utf-8 sequence of 1 bytes from index 0"},  // above U+10FFFF
      {"\xf5\x80\x80\x80", "invalid utf-8 sequence of 1 bytes from index 0"},
      {"ok\xc3", "incomplete utf-8 byte sequence from index 2"},
      {"\xe2\x82", "incomplete utf-8 byte sequence from index 0"},
      {"\xf0\x90\x80", "incomplete utf-8 byte sequence from index 0"},
      {"\xe0", "incomplete utf-8 byte sequence from index 0"},
      {"\xc3\xa9\xe2\x82\xac\xff", "invalid utf-8 sequence of 1 bytes from index 5"},
  };
  for (const auto& [in, want] : cases) {
    auto bad = utf8::validate(in);
    ASSERT_TRUE(bad.has_value()) << want;
    EXPECT_EQ(utf8::describe(*bad), want);
  }
  for (std::string ok : {"", "abc", "\xc3\xa9", "\xe2\x82\xac", "\xf0\x9f\x98\x80", "\xf4\x8f\xbf\xbf"}) {
    EXPECT_FALSE(utf8::validate(ok).has_value()) << ok;
  }
}

}  // namespace
}  // namespace silvantrope
