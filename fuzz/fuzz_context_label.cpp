// Context labels and quoting, on arbitrary bytes.
//
// parse_context_label must accept exactly the labels of the shape
// application/purpose/vN (two printable-ASCII segments, a version without
// leading zeros that fits 64 bits) and report that N; everything else fails
// with a malformed-canonical-leaf message that ends with the quoted label.
//
// quote() must give valid UTF-8 between double quotes, with no raw control
// characters, and undoing its escapes must give back the input bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "context/label.h"
#include "core/quote.h"
#include "support.h"

namespace {

using silvantrope::Error;

std::string show(std::string_view s) { return "input " + fuzz::hex(s); }

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;  // upper case never appears in the escapes
}

// Undoes quote(): the inverse of each escape, checking that escapes are used
// only where needed and written the canonical way.
std::string unquote(std::string_view input, std::string_view q, bool input_is_utf8) {
  FUZZ_CHECK(q.size() >= 2 && q.front() == '"' && q.back() == '"',
             show(input) + ": quoted form " + fuzz::hex(q) + " lacks its quotes");
  std::string out;
  size_t i = 1;
  const size_t end = q.size() - 1;
  while (i < end) {
    const auto b = static_cast<uint8_t>(q[i]);
    FUZZ_CHECK(b >= 0x20 && b != 0x7F, show(input) + ": raw control byte in quoted form");
    FUZZ_CHECK(b != '"', show(input) + ": unescaped '\"' inside the quotes");
    if (b != '\\') {
      out += q[i++];
      continue;
    }
    FUZZ_CHECK(i + 1 < end, show(input) + ": dangling backslash");
    const char e = q[i + 1];
    i += 2;
    switch (e) {
      case '"': out += '"'; continue;
      case '\\': out += '\\'; continue;
      case 't': out += '\t'; continue;
      case 'r': out += '\r'; continue;
      case 'n': out += '\n'; continue;
      case '0': out += '\0'; continue;
      case 'x': {
        FUZZ_CHECK(!input_is_utf8, show(input) + ": \\x escape in the quoted form of UTF-8");
        FUZZ_CHECK(i + 2 <= end, show(input) + ": short \\x escape");
        const int hi = hex_digit(q[i]);
        const int lo = hex_digit(q[i + 1]);
        FUZZ_CHECK(hi >= 0 && lo >= 0, show(input) + ": bad \\x escape");
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
        continue;
      }
      case 'u': {
        FUZZ_CHECK(i < end && q[i] == '{', show(input) + ": \\u without '{'");
        ++i;
        char32_t c = 0;
        size_t digits = 0;
        while (i < end && q[i] != '}') {
          const int d = hex_digit(q[i]);
          FUZZ_CHECK(d >= 0 && digits < 6, show(input) + ": bad \\u{} digits");
          FUZZ_CHECK(digits > 0 || d != 0, show(input) + ": leading zero in \\u{}");
          c = c * 16 + static_cast<char32_t>(d);
          ++digits;
          ++i;
        }
        FUZZ_CHECK(i < end && digits > 0, show(input) + ": unterminated \\u{}");
        ++i;
        FUZZ_CHECK(c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF),
                   show(input) + ": \\u{} escape of a non-scalar value");
        FUZZ_CHECK(!(c >= 0x20 && c < 0x7F), show(input) + ": printable ASCII written as \\u{}");
        fuzz::append_utf8(out, c);
        continue;
      }
      default:
        FUZZ_CHECK(false, show(input) + ": unknown escape \\" + std::string(1, e));
    }
  }
  return out;
}

void check_quote(std::string_view s) {
  const std::string q = silvantrope::quote(s);
  FUZZ_CHECK(fuzz::valid_utf8(q), show(s) + ": quoted form " + fuzz::hex(q) + " is not UTF-8");
  const bool utf8 = fuzz::valid_utf8(s);
  const std::string back = unquote(s, q, utf8);
  FUZZ_CHECK(back == s, show(s) + ": quoted as " + fuzz::hex(q) + ", unquotes to " + fuzz::hex(back));
}

void check_label(std::string_view s) {
  const auto parsed = silvantrope::context::parse_context_label(s);
  const auto shape = fuzz::label_shape(s);
  if (shape) {
    FUZZ_CHECK(parsed.has_value(),
               show(s) + ": well-formed label rejected: " + parsed.error().message());
    FUZZ_CHECK(parsed->version == shape->version,
               show(s) + ": version " + std::to_string(parsed->version) + ", expected " +
                   std::to_string(shape->version));
    FUZZ_CHECK(parsed->text == s, show(s) + ": label text differs from the input");
    return;
  }
  FUZZ_CHECK(!parsed.has_value(), show(s) + ": malformed label accepted");
  const Error& e = parsed.error();
  FUZZ_CHECK(e.kind() == Error::Kind::MalformedCanonicalLeaf, show(s) + ": wrong error kind");
  const std::string& m = e.message();
  FUZZ_CHECK(fuzz::starts_with(m, "malformed canonical leaf: context label "),
             show(s) + ": message " + m);
  FUZZ_CHECK(fuzz::ends_with(m, ": " + silvantrope::quote(s)), show(s) + ": message " + m);
  FUZZ_CHECK(fuzz::valid_utf8(m), show(s) + ": message is not UTF-8");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view s(reinterpret_cast<const char*>(data), size);
  check_label(s);
  check_quote(s);
  return 0;
}
