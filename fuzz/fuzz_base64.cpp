// The text codecs of signed notes and key tokens, on the whole input both as
// bytes to encode and as text to decode:
//   - base64_encode writes what the bit-by-bit encoder in text_model.h
//     writes, and base64_decode and decode_token both give the bytes back;
//   - base64_decode succeeds exactly when the note-decoder model does, with
//     the same bytes; a failure is MalformedSignedNote with one of the five
//     details, and names a problem the text really has; a success re-encodes
//     to the text exactly when the text is canonical (every "=" in the
//     trailing run);
//   - decode_token succeeds exactly when an independent strict RFC 4648
//     decoder does (and exactly when the text is canonical note base64), with
//     the same bytes; a failure is a Base64 error "base64 decode: " in one of
//     four forms whose byte and offset are those of the text;
//   - hex_decode succeeds exactly on two hex digits per byte, with their value.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/error.h"
#include "encoding/base64.h"
#include "silvantrope-crypto/token.h"
#include "support.h"
#include "text_model.h"

namespace {

using fuzz::Bytes;
using silvantrope::Error;
using silvantrope::crypto::CryptoError;

constexpr std::string_view kNotePrefix = "malformed signed note: ";

std::string show(std::string_view t) { return "text " + fuzz::hex(t); }

void check_encode(const Bytes& x) {
  const std::string e = silvantrope::encoding::base64_encode(x);
  const std::string want = fuzz::base64(x);
  FUZZ_CHECK(e == want, "base64_encode(" + fuzz::hex(x) + ") = \"" + e + "\", expected \"" + want + "\"");

  auto back = silvantrope::encoding::base64_decode(e);
  FUZZ_CHECK(back.has_value(),
             "base64_decode refused base64_encode's output \"" + e + "\": " + back.error().message());
  FUZZ_CHECK(*back == x, "base64_decode(base64_encode(x)) != x for x = " + fuzz::hex(x));

  auto token = silvantrope::crypto::decode_token(e);
  FUZZ_CHECK(token.has_value(),
             "decode_token refused base64_encode's output \"" + e + "\": " + token.error().message());
  FUZZ_CHECK(*token == x, "decode_token(base64_encode(x)) != x for x = " + fuzz::hex(x));
}

void check_note_decode(std::string_view t, const fuzz::NoteBase64& model) {
  auto got = silvantrope::encoding::base64_decode(t);
  if (got) {
    FUZZ_CHECK(model.ok, "base64_decode accepted " + show(t) + ", which has the problem \"" +
                             std::string(model.problems.empty() ? "" : model.problems[0]) + "\"");
    FUZZ_CHECK(*got == model.bytes, "base64_decode(" + show(t) + ") = " + fuzz::hex(*got) + ", expected " +
                                        fuzz::hex(model.bytes));
    const std::string again = silvantrope::encoding::base64_encode(*got);
    FUZZ_CHECK((again == t) == model.canonical, "re-encoding " + show(t) + " gave \"" + again +
                                                    "\"; canonical: " + (model.canonical ? "yes" : "no"));
    return;
  }
  const Error& e = got.error();
  FUZZ_CHECK(e.kind() == Error::Kind::MalformedSignedNote,
             "base64_decode failed with another kind: " + e.message());
  FUZZ_CHECK(fuzz::starts_with(e.message(), kNotePrefix), "message \"" + e.message() + "\"");
  const std::string_view detail = std::string_view(e.message()).substr(kNotePrefix.size());
  const bool known = detail == fuzz::kB64Length || detail == fuzz::kB64Padding ||
                     detail == fuzz::kB64Character || detail == fuzz::kB64Group ||
                     detail == fuzz::kB64NonCanonical;
  FUZZ_CHECK(known, "unknown base64 failure detail \"" + std::string(detail) + "\"");
  FUZZ_CHECK(!model.ok, "base64_decode refused " + show(t) + " (\"" + std::string(detail) +
                            "\"), model decodes " + fuzz::hex(model.bytes));
  bool justified = false;
  for (std::string_view p : model.problems) justified |= p == detail;
  FUZZ_CHECK(justified, "base64_decode reported \"" + std::string(detail) + "\" for " + show(t) +
                            ", which has no such problem");
}

// "<prefix><decimal byte>, offset <decimal>." naming the byte at that offset.
bool names_byte(std::string_view detail, std::string_view prefix, std::string_view t, size_t& offset) {
  if (!fuzz::starts_with(detail, prefix)) return false;
  const std::string_view rest = detail.substr(prefix.size());
  const size_t comma = rest.find(", offset ");
  if (comma == std::string_view::npos || !fuzz::ends_with(rest, ".")) return false;
  const auto byte = fuzz::decimal_u64(rest.substr(0, comma));
  const std::string_view off_text = rest.substr(comma + 9, rest.size() - comma - 10);
  const auto off = fuzz::decimal_u64(off_text);
  if (!byte || !off || *off >= t.size()) return false;
  if (static_cast<uint8_t>(t[*off]) != *byte) return false;
  offset = static_cast<size_t>(*off);
  return true;
}

void check_token(std::string_view t, const fuzz::NoteBase64& note) {
  const auto strict = fuzz::strict_base64(t);
  FUZZ_CHECK(strict.has_value() == note.canonical,
             "models disagree on " + show(t) + ": strict " + (strict ? "ok" : "fails") +
                 ", canonical note base64 " + (note.canonical ? "yes" : "no"));
  auto got = silvantrope::crypto::decode_token(t);
  if (got) {
    FUZZ_CHECK(strict.has_value(), "decode_token accepted non-canonical " + show(t));
    FUZZ_CHECK(*got == *strict,
               "decode_token(" + show(t) + ") = " + fuzz::hex(*got) + ", expected " + fuzz::hex(*strict));
    return;
  }
  const CryptoError& e = got.error();
  FUZZ_CHECK(!strict.has_value(), "decode_token refused canonical " + show(t) + ": " + e.message());
  FUZZ_CHECK(e.kind() == CryptoError::Kind::Base64, "decode_token failed with another kind: " + e.message());
  constexpr std::string_view kPrefix = "base64 decode: ";
  FUZZ_CHECK(fuzz::starts_with(e.message(), kPrefix), "message \"" + e.message() + "\"");
  const std::string_view detail = std::string_view(e.message()).substr(kPrefix.size());

  size_t pad = 0;
  while (pad < t.size() && t[t.size() - 1 - pad] == '=') ++pad;
  const size_t symbols = t.size() - pad;
  size_t offset = 0;
  if (names_byte(detail, "Invalid symbol ", t, offset)) {
    // Not in the alphabet, or an "=" where no padding may stand.
    const auto c = static_cast<uint8_t>(t[offset]);
    FUZZ_CHECK(fuzz::base64_symbol(c) < 0,
               "\"" + std::string(detail) + "\" for a valid symbol in " + show(t));
    return;
  }
  if (names_byte(detail, "Invalid last symbol ", t, offset)) {
    FUZZ_CHECK(symbols > 0 && offset == symbols - 1 && symbols % 4 >= 2,
               "\"" + std::string(detail) + "\" is not about the last symbol of " + show(t));
    return;
  }
  if (fuzz::starts_with(detail, "Invalid input length: ")) {
    const auto n = fuzz::decimal_u64(detail.substr(22));
    FUZZ_CHECK(n && *n == symbols && symbols % 4 == 1, "\"" + std::string(detail) + "\" for " + show(t));
    return;
  }
  FUZZ_CHECK(detail == "Invalid padding", "unknown decode_token failure \"" + std::string(detail) + "\"");
  FUZZ_CHECK(pad != (4 - symbols % 4) % 4 || t.size() % 4 != 0,
             "\"Invalid padding\" for " + show(t) + ", whose padding is canonical");
}

void check_hex(std::string_view t) {
  const auto want = fuzz::hex_digits(t);
  auto got = silvantrope::encoding::hex_decode(t);
  if (got) {
    FUZZ_CHECK(want.has_value(), "hex_decode accepted " + show(t) + " as " + fuzz::hex(*got));
    FUZZ_CHECK(*got == *want, "hex_decode(" + show(t) + ") = " + fuzz::hex(*got));
    return;
  }
  FUZZ_CHECK(!want.has_value(), "hex_decode refused " + show(t) + ": " + got.error().message());
  FUZZ_CHECK(got.error().kind() == Error::Kind::MalformedSignedNote &&
                 got.error().message() == std::string(kNotePrefix) + "invalid hex character",
             "hex_decode failure \"" + got.error().message() + "\"");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Bytes x(data, data + size);
  const std::string_view t(reinterpret_cast<const char*>(data), size);
  check_encode(x);
  const fuzz::NoteBase64 model = fuzz::note_base64(t);
  check_note_decode(t, model);
  check_token(t, model);
  check_hex(t);
  return 0;
}
