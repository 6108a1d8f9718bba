// Signed notes, verifier keys and checkpoint bodies. The first input byte
// picks a scenario:
//   0  the rest is a verifier key string;
//   1  the rest is "name+data": the harness puts in the key id computed from
//      them, so that key strings get past the id check;
//   2  the rest is a signed note;
//   3  the rest is a note text the harness signs with its own Ed25519 key
//      (through libcrypto), adding lines from an unknown key, a tampered
//      signature or a signature under the wrong key as the next byte asks;
//   4  the rest is a checkpoint body.
// Every parser is held against a model written here from the formats:
//   - verifier keys: accepted exactly when the model accepts, with the same
//     name, id, kind and key; the id is SHA-256(name || "\n" || data)[0..4]
//     recomputed through libcrypto; a failure is MalformedSignedNote whose
//     detail the text justifies; a key with lower-case id and canonical base64
//     is written back exactly from its fields;
//   - notes: accepted exactly when the model accepts, with the same text
//     (a prefix of the input ending in "\n") and 1..100 signatures with the
//     same names (views into the input), ids and bytes; writing the text, a
//     blank line and the signature lines back gives the input exactly when
//     every blob is canonical base64, and otherwise a note that parses the
//     same; failures are MalformedSignedNote with a known detail;
//   - verification: no keys always gives NoTrustedSignature; against the
//     harness key and the sample log key (both Ed25519) the count, or the
//     first InvalidSignature, is predicted with libcrypto's verifier; against
//     the composite witness key the outcome is one the lines allow;
//   - checkpoint bodies (and the text of every parsed note): the model's
//     exact outcome; a success has a non-empty origin, a 32-byte root and a
//     size that prints as its line, and is written back exactly when the body
//     ends every line with "\n" (not "\r\n") and has a canonical root.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checkpoint/checkpoint.h"
#include "core/error.h"
#include "core/quote.h"
#include "encoding/base64.h"
#include "evp.h"
#include "note/signed_note.h"
#include "note/verifier_key.h"
#include "support.h"
#include "text_model.h"

namespace {

using fuzz::Bytes;
using silvantrope::Error;
using silvantrope::quote;
namespace note = silvantrope::note;
namespace checkpoint = silvantrope::checkpoint;

constexpr std::string_view kNotePrefix = "malformed signed note: ";
constexpr std::string_view kCheckpointPrefix = "malformed checkpoint: ";
constexpr std::string_view kEmDashSpace = "\xE2\x80\x94 ";
constexpr std::string_view kCompositeLabel = "silvantrope.dev/composite-mldsa-ed25519/v1";

// The sample log's keys (samples/log/trusted.keys): the log's Ed25519 key and
// the witness's composite key.
constexpr std::string_view kLogKey =
    "transparency.silvantrope.example/keys+7929e94d+AQd0n0R4sWyudF5VgCFNaFzcTkQaFul/4kQPs0Ge8cFK";
constexpr std::string_view kWitnessKey =
    "witness.silvantrope.example+e5cb1f62+/3NpbHZhbnRyb3BlLmRldi9jb21wb3NpdGUtbWxkc2EtZWQyNTU"
    "xOS92MQK05sxPOrEb3XDSHtCf9rQ6Co4NzLYdvEffCAkA6mWXC3uXLqlQc6fLl2K47Fnoqcw2XWemVZfFYb/pMZk"
    "Tgifwd29qc8Em8nxjOm13S4qYhm3BNCkDMiBeQnIxLOwH9VXYA1LKvx72EbU9d+lncaA5J0ttKpJOm4SilIA1QUK"
    "HTAUE2Q6mnf3vmRwUXsyR4ol4GdQCsZqEoyYGwN8yfySnshUO6hKYAn2nc4JlpBlydcx2N0grEhdpD/VQOR4BQKB"
    "PlK3v7CVJQvsVk8q1GTCKtSZQ0dKfKU2O8Bj+vaezRAC5e5Y66aiyaQbi1G9lcq2FwNqGs6vai6/qOEYvOXG9bBD"
    "/nNYpGQ/OQIJqam7cvq6lDFVX+4AkhxCOSjP6ERHoNgSIkOE6MLLi2wP0566jxEX8g2G30kVmIxNnU2GNaQIGDvt"
    "fUBveHrGTLdvLPbzTtanu6RE0tD2fUJx/5LPCKVE900Ic62IPT1bzgrrs085JbFkJGABK+kuQfYZfv9qW5l3bEFw"
    "iUfLDYLErv3ZGNulrww5pAonoJMkFdb+v4H/UocZU3I0vn/czigd4c7abIgwBrA84nT9K5R1G6lNlJBWMfimRtR8"
    "KTFDa/vrlSeG7AYN8DFxmusUPdEDCDyVwuYbubYuC0JTrMgU6wmQQlsqFE65196PgydTzCKu4MkDmX/QcdpL2waI"
    "QL2eeK6zyUSsvIQ1F4wgn975nhEKbGHFqzuJ/qCyZl8QfrxFXpUrV4jx7TCijloP3VXvWNxV7mH1btsIHT4yIoCB"
    "6++nUtD5ffiKGgsnG6y5G8HAX4GW7lyCgNlvrgH5hDwW80a9TphP3eBA1fJPbJojNrMa47wpDDB8v3eYNsNGR9Qw"
    "4ZFfk7A2Uqu6C34wJhlMXng+ALs5X7gcjz/D3ECKMxdTKNTYt0ns4awtu5PfgGvYRmgHZoJQrQa7y1Rp356Eg4Rp"
    "PT9cItH2e6fzzJNDtCdCjUiV37zqmKhtRqnPqTDzOrXlvH/blpMqlZL8lDrwLl7YpV+/W9Zv5VG1vW3GJTsAUZIF"
    "HUqucz5DORzROf8U6lUJY48Y/KHDr5lRypiNbiU0MzjM7sv4AFdg+/ism+OxK/sDalW+dL1VBiLYImJ01IvQsfk3"
    "F1m7k+DPkSwWLi8cRvP4uKLDK0F/VDTG7RFY/v0aaeaRVbZlDA/Mnh+u9MnuZy3Od665xbuOmkjUURaiH39Y8eDy"
    "NWWscQQNJuy34d3OFJduHRdEGCg+aZhXoFGv0oSH9urmKmsnh9t7yIKglXq86cHnVCCjjPgfbllt6TZtXVIGJC/w"
    "n7xTssqS7rYebv4UjOEdalxppxZ+vbjPgcD1sS9PaYTXLXsR7gyc94J4dblegvwIMbjBBqwIncbCm7uviyuN5JUb"
    "KKGedVN2C41BqSW/b8/S3CvkM8j0Uo8nRGg51MMkLmkvVJ3yxfF2rDnDkq+UtSFkNFd3tUTXkzw6lXKulBVdt1hH"
    "bUIuoGewIxqd+du6inoUZynT8bDcA2TpEgqYiDh9ODh8jrJcznSX/7V9yeCLBAZQHBe/+ee8Jg7Sf+zEFV8jPJuU"
    "qC1F7+dZf6DX81hXLw9UID/LG0u/YfARW624YexrBD9tDvvKQdg6BXPRUOzQ8M2Gx40H0zqoLvx1m9BZsz5kocGF"
    "DVpEBrvluEBgwd9n0INNRGG+vULlW+OR/T+DkTs1T+g367N7sCEeoqSNgrTIwdaJnRPKr8guBQ6fZff4bm8hVG7E"
    "9W9eZg2E1hPVx+TGqFqQVzjDWkli04x3iJxWymDUk6hSgz1ROlCFSbXk94s0qJ1WNVSSx77TeI8EKb+GFT/JU3LL"
    "/FsWCAs5B2y8+mzqyNCQNSunmiknVAHLycySeJ/9QZWibeXY7afJun3Set/HVudzmQaSzCBbUtzgeQb0wiKV8z+d"
    "iwCCtamGcaY2Qd0PM2bzT7QVSJyZRqWLYtRptrE8hLeN4y5+FX4ww+TmMDhUyGk+ZguY+/HERWsxyNFfI1WqWZsu"
    "4QBlqCA3NxwbjAvsuRYcEzXDfHSEIHGfAXfBFa/6IJZtVtIuY3BYJIAca5K/0faMf9uKXj62dpqXLISKDLQk8NsU"
    "vaHnzCrd+Ug1ZwsvsRZr1bLee1iIY6UHqYjSei3VntroDiyvQfxyMF48KhNXYWNPlZYtU5lvuVHb0kj+JFJ8A+pJ"
    "aAA2lLhfzKk2gRO3YEF+KeDqR/9FEtcwR4ba5CLQHKaaaG9HhdxypCWRrGruzSt51HNJXT2Un14L2IXlD4Zwmicw"
    "e6XqDlOM3Aq1Lt2NhQtogqbD/52cbdoYc8eGvO34N6BuJHe+2BgH+xE44TL0AzLpb6G/3XnpiuMH1zB1mSILaCHR"
    "yLMXMX2knKayWQ8hurADOxpafpz+dACpURuj05l0sTPrvHw2LgAjwIHR2i7ylNWd7ewpQ2JYVoBxiJF9giBUfQyc"
    "Pc0kdb/axUjIXqmm4tT6Iq3+98INt2KXBDptAWnT8ZK5xRskRF9WuzixfviTutiJjN5DaDXdw4kjHy/7GneJ6Upa"
    "/pgytwHkfZMXDnotGNJrjRBOiwpgvfGsA3ISwxO6XwCCsQUdHfKHxuBSMnT2q+UXeI1Y9Ir1ro1FyIOwEiiyCl8y"
    "eGzoKPFl3NbzQ";
constexpr std::string_view kWitnessName = "witness.silvantrope.example";
constexpr uint32_t kWitnessId = 0xe5cb1f62;
// SHA-256(text || signature) of the witness lines of samples/log/checkpoint-5
// and checkpoint-12, which verify (the sample log's tests say so).
constexpr std::string_view kGoodWitnessLines[] = {
    "c7134ca4e60992556de5eb89abb0991ae3da3b047edde831ca927853f5db6b36",
    "5aa9b6dba164f6eb476a73236455baabff0bccef4f32786a9c0a607a005e1c99",
};

std::string detail_of(const Error& e, std::string_view prefix) {
  FUZZ_CHECK(fuzz::starts_with(e.message(), prefix), "message \"" + e.message() + "\"");
  return e.message().substr(prefix.size());
}

uint32_t be32(const Bytes& b) { return fuzz::get_be32(b.data()); }

uint32_t key_id(std::string_view name, const Bytes& data) {
  Bytes m = fuzz::bytes_of(name);
  m.push_back('\n');
  fuzz::put_bytes(m, data.data(), data.size());
  return be32(fuzz::evp_digest(fuzz::sha256(), m));
}

bool is_base64_detail(std::string_view d) {
  return d == fuzz::kB64Length || d == fuzz::kB64Padding || d == fuzz::kB64Character ||
         d == fuzz::kB64Group || d == fuzz::kB64NonCanonical;
}

bool has_problem(const fuzz::NoteBase64& b, std::string_view d) {
  return std::find(b.problems.begin(), b.problems.end(), d) != b.problems.end();
}

// ---------------------------------------------------------------------------
// Verifier keys: name "+" eight hex digits "+" base64(key data).

struct KeyModel {
  bool ok = false;
  std::string_view name, id_text, data_text;
  bool shaped = false;  // two "+" and an eight-character id
  std::optional<Bytes> declared;
  fuzz::NoteBase64 data;
  uint32_t computed = 0;
  bool ed25519 = false;
  Bytes key;
};

Bytes composite_prefix() {
  Bytes p{0xFF};
  fuzz::put_bytes(p, reinterpret_cast<const uint8_t*>(kCompositeLabel.data()), kCompositeLabel.size());
  return p;
}

KeyModel model_key(std::string_view t) {
  KeyModel m;
  const size_t p1 = t.find('+');
  if (p1 == std::string_view::npos) return m;
  const size_t p2 = t.find('+', p1 + 1);
  if (p2 == std::string_view::npos) return m;
  m.name = t.substr(0, p1);
  m.id_text = t.substr(p1 + 1, p2 - p1 - 1);
  m.data_text = t.substr(p2 + 1);
  m.shaped = m.id_text.size() == 8;
  if (!m.shaped) return m;
  m.declared = fuzz::hex_digits(m.id_text);
  m.data = fuzz::note_base64(m.data_text);
  if (!m.declared || !m.data.ok || m.data.bytes.empty() || !fuzz::key_name_ok(m.name)) return m;
  m.computed = key_id(m.name, m.data.bytes);
  if (m.computed != be32(*m.declared)) return m;
  const Bytes& d = m.data.bytes;
  const Bytes prefix = composite_prefix();
  if (d[0] == 0x01 && d.size() == 33) {
    m.ok = true;
    m.ed25519 = true;
    m.key.assign(d.begin() + 1, d.end());
  } else if (d.size() > prefix.size() && std::equal(prefix.begin(), prefix.end(), d.begin())) {
    m.ok = true;
    m.key.assign(d.begin() + static_cast<std::ptrdiff_t>(prefix.size()), d.end());
  }
  return m;
}

void check_key(std::string_view t) {
  const KeyModel m = model_key(t);
  auto got = note::parse_verifier_key(t);
  const std::string ctx = "verifier key " + fuzz::hex(t);
  if (got) {
    FUZZ_CHECK(m.ok, ctx + ": accepted, the model refuses it");
    FUZZ_CHECK(got->name == m.name, ctx + ": name \"" + got->name + "\"");
    FUZZ_CHECK(got->key_id == key_id(got->name, m.data.bytes),
               ctx + ": key id " + fuzz::hex8(got->key_id) + " is not the SHA-256 prefix");
    FUZZ_CHECK(got->key_id == be32(*m.declared), ctx + ": key id differs from the declared one");
    FUZZ_CHECK((got->kind == note::VerifierKeyKind::Ed25519) == m.ed25519, ctx + ": kind");
    FUZZ_CHECK(got->key == m.key, ctx + ": key bytes " + fuzz::hex(got->key));
    // Lower-case hex and canonical base64 are the form the fields write.
    const std::string again = got->name + "+" + fuzz::hex8(got->key_id) + "+" + fuzz::base64(m.data.bytes);
    const bool lower =
        std::none_of(m.id_text.begin(), m.id_text.end(), [](char c) { return c >= 'A' && c <= 'F'; });
    FUZZ_CHECK((again == t) == (lower && m.data.canonical), ctx + ": written back as \"" + again + "\"");
    return;
  }
  const Error& e = got.error();
  FUZZ_CHECK(e.kind() == Error::Kind::MalformedSignedNote, ctx + ": failed with " + e.message());
  FUZZ_CHECK(!m.ok, ctx + ": refused (" + e.message() + "), the model accepts it");
  const std::string d = detail_of(e, kNotePrefix);
  if (fuzz::starts_with(d, "malformed verifier key: ")) {
    FUZZ_CHECK(d == "malformed verifier key: " + quote(t), ctx + ": detail \"" + d + "\"");
    return;
  }
  FUZZ_CHECK(m.shaped, ctx + ": a key of the wrong shape gave \"" + d + "\"");
  if (d == "invalid hex character") {
    FUZZ_CHECK(!m.declared, ctx + ": \"" + d + "\" for hex id");
    return;
  }
  if (is_base64_detail(d)) {
    FUZZ_CHECK(has_problem(m.data, d), ctx + ": \"" + d + "\" does not fit the key data");
    return;
  }
  FUZZ_CHECK(m.declared && m.data.ok, ctx + ": \"" + d + "\" before the id and data decoded");
  if (fuzz::starts_with(d, "verifier key id mismatch: ")) {
    FUZZ_CHECK(d == "verifier key id mismatch: declared " + fuzz::hex8(be32(*m.declared)) + ", computed " +
                        fuzz::hex8(key_id(m.name, m.data.bytes)),
               ctx + ": \"" + d + "\"");
    FUZZ_CHECK(be32(*m.declared) != key_id(m.name, m.data.bytes), ctx + ": ids match");
    return;
  }
  char lead[64];
  std::snprintf(lead, sizeof lead, "unsupported signature type (leading byte 0x%02x)", m.data.bytes[0]);
  FUZZ_CHECK(d == lead, ctx + ": unknown detail \"" + d + "\"");
  const Bytes prefix = composite_prefix();
  const bool composite_lead =
      m.data.bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), m.data.bytes.begin());
  FUZZ_CHECK(m.data.bytes[0] != 0x01 && !composite_lead, ctx + ": \"" + d + "\" for a known type");
}

// Key strings with the right id: the rest of the input is name "+" data.
void check_key_with_id(const uint8_t* p, size_t n) {
  const uint8_t flags = n > 0 ? p[0] : 0;
  const std::string_view rest(reinterpret_cast<const char*>(p) + (n > 0 ? 1 : 0), n > 0 ? n - 1 : 0);
  const size_t plus = rest.find('+');
  const std::string_view name = rest.substr(0, plus == std::string_view::npos ? rest.size() : plus);
  const std::string_view data_text =
      plus == std::string_view::npos ? std::string_view{} : rest.substr(plus + 1);
  const fuzz::NoteBase64 data = fuzz::note_base64(data_text);
  uint32_t id = key_id(name, data.bytes);
  if (flags & 2) id ^= 1u << (flags >> 3);
  std::string id_text = fuzz::hex8(id);
  if (flags & 1)
    std::transform(id_text.begin(), id_text.end(), id_text.begin(),
                   [](char c) { return static_cast<char>(std::toupper(c)); });
  check_key(std::string(name) + "+" + id_text + "+" + std::string(data_text));
}

// ---------------------------------------------------------------------------
// Checkpoint bodies.

struct HeadModel {
  std::string failure;  // the detail, when refused
  std::string origin;
  uint64_t size = 0;
  Bytes root;
  bool root_canonical = false;
  std::vector<std::string> extensions;
};

HeadModel model_head(std::string_view body) {
  // Lines end at "\n", which takes a "\r" right before it along; a last line
  // without "\n" still counts.
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < body.size()) {
    const size_t nl = body.find('\n', start);
    if (nl == std::string_view::npos) {
      lines.push_back(body.substr(start));
      break;
    }
    size_t end = nl;
    if (end > start && body[end - 1] == '\r') --end;
    lines.push_back(body.substr(start, end - start));
    start = nl + 1;
  }
  HeadModel h;
  if (lines.empty()) return h.failure = "missing origin line", h;
  if (lines.size() < 2) return h.failure = "missing tree-size line", h;
  if (lines.size() < 3) return h.failure = "missing root-hash line", h;
  if (lines[0].empty()) return h.failure = "empty origin line", h;
  const std::string_view size = lines[1];
  const bool digits =
      !size.empty() && std::all_of(size.begin(), size.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (!digits) return h.failure = "tree size is not decimal: " + quote(size), h;
  if (size.size() > 1 && size[0] == '0') return h.failure = "tree size has a leading zero: " + quote(size), h;
  const auto v = fuzz::decimal_u64(size);
  if (!v) return h.failure = "tree size overflow: " + quote(size), h;
  const fuzz::NoteBase64 root = fuzz::note_base64(lines[2]);
  if (!root.ok) return h.failure = "root hash is not valid base64: " + quote(lines[2]), h;
  if (root.bytes.size() != 32) {
    return h.failure = "root hash is " + std::to_string(root.bytes.size()) + " bytes, want 32", h;
  }
  for (size_t i = 3; i < lines.size(); ++i) {
    if (lines[i].empty()) return h.failure = "empty extension line", h;
    h.extensions.emplace_back(lines[i]);
  }
  h.origin = std::string(lines[0]);
  h.size = *v;
  h.root = root.bytes;
  h.root_canonical = root.canonical;
  return h;
}

void check_head(std::string_view body) {
  const HeadModel m = model_head(body);
  auto got = checkpoint::parse_checkpoint_body(body);
  const std::string ctx = "checkpoint body " + fuzz::hex(body);
  if (!got) {
    FUZZ_CHECK(got.error().kind() == Error::Kind::MalformedCheckpoint, ctx + ": " + got.error().message());
    const std::string d = detail_of(got.error(), kCheckpointPrefix);
    FUZZ_CHECK(!m.failure.empty(), ctx + ": refused (\"" + d + "\"), the model accepts it");
    FUZZ_CHECK(d == m.failure, ctx + ": detail \"" + d + "\", expected \"" + m.failure + "\"");
    return;
  }
  FUZZ_CHECK(m.failure.empty(), ctx + ": accepted, the model refuses it: " + m.failure);
  const checkpoint::CheckpointHead& h = *got;
  FUZZ_CHECK(!h.origin.empty() && h.origin == m.origin, ctx + ": origin \"" + h.origin + "\"");
  FUZZ_CHECK(h.root.size() == 32 && h.root == m.root, ctx + ": root " + fuzz::hex(h.root));
  FUZZ_CHECK(h.size == m.size, ctx + ": size " + std::to_string(h.size));
  FUZZ_CHECK(h.extensions == m.extensions, ctx + ": extensions");
  // The size line is exactly the decimal form of the size.
  const size_t first_nl = body.find('\n');
  std::string_view size_line = body.substr(first_nl + 1);
  size_line = size_line.substr(0, size_line.find('\n'));
  if (!size_line.empty() && size_line.back() == '\r') size_line.remove_suffix(1);
  FUZZ_CHECK(std::to_string(h.size) == size_line, ctx + ": size does not print as its line");

  std::string again = h.origin + "\n" + std::to_string(h.size) + "\n" + fuzz::base64(h.root) + "\n";
  for (const std::string& e : h.extensions) again += e + "\n";
  // Lines ended by "\n" alone (a "\r" elsewhere is part of its line).
  const bool plain = body.find("\r\n") == std::string_view::npos && fuzz::ends_with(body, "\n");
  FUZZ_CHECK((again == body) == (plain && m.root_canonical), ctx + ": written back as " + fuzz::hex(again));
}

// ---------------------------------------------------------------------------
// Signed notes.

struct SigModel {
  std::string_view line, name, blob_text;
  uint32_t id = 0;
  Bytes sig;
  bool canonical = false;
};

struct NoteModel {
  bool ok = false;
  std::string_view text;
  std::vector<std::string_view> lines;  // of the signature block, when found
  std::vector<SigModel> sigs;
  bool control = false, no_separator = false, too_many = false;
};

NoteModel model_note(std::string_view t) {
  NoteModel m;
  m.control =
      std::any_of(t.begin(), t.end(), [](char c) { return static_cast<uint8_t>(c) < 0x20 && c != '\n'; });
  // The signature block follows the last blank line.
  const size_t sep = t.rfind("\n\n");
  m.no_separator = sep == std::string_view::npos;
  if (m.control || m.no_separator) return m;
  m.text = t.substr(0, sep + 1);
  std::string_view block = t.substr(sep + 2);
  if (block.empty() || block.back() != '\n') return m;
  while (!block.empty()) {
    const size_t nl = block.find('\n');
    m.lines.push_back(block.substr(0, nl));
    block.remove_prefix(nl + 1);
  }
  m.too_many = m.lines.size() > note::kMaxNoteSignatures;
  for (std::string_view line : m.lines) {
    SigModel s;
    s.line = line;
    if (!fuzz::starts_with(line, kEmDashSpace)) return m;
    const std::string_view rest = line.substr(kEmDashSpace.size());
    const size_t space = rest.find(' ');
    if (space == std::string_view::npos) return m;
    s.name = rest.substr(0, space);
    s.blob_text = rest.substr(space + 1);
    if (!fuzz::key_name_ok(s.name) || s.blob_text.empty()) return m;
    const fuzz::NoteBase64 blob = fuzz::note_base64(s.blob_text);
    if (!blob.ok || blob.bytes.size() < 5) return m;
    s.id = be32(blob.bytes);
    s.sig.assign(blob.bytes.begin() + 4, blob.bytes.end());
    s.canonical = blob.canonical;
    m.sigs.push_back(std::move(s));
  }
  m.ok = !m.too_many;
  return m;
}

// The parts of a failure detail that name a line must name one of the block.
void check_note_failure(const Error& e, const NoteModel& m, const std::string& ctx) {
  FUZZ_CHECK(e.kind() == Error::Kind::MalformedSignedNote, ctx + ": failed with " + e.message());
  const std::string d = detail_of(e, kNotePrefix);
  if (d == "note contains a forbidden control character") {
    FUZZ_CHECK(m.control, ctx + ": no control character");
  } else if (d == "missing blank-line signature separator") {
    FUZZ_CHECK(m.no_separator && !m.control, ctx + ": \"" + d + "\"");
  } else if (d == "too many signatures") {
    FUZZ_CHECK(m.too_many, ctx + ": \"" + d + "\" for " + std::to_string(m.lines.size()) + " lines");
  } else if (fuzz::starts_with(d, "signature line missing '\xE2\x80\x94 ' prefix: ") ||
             fuzz::starts_with(d, "invalid signature line name/blob: ")) {
    const std::string_view quoted = std::string_view(d).substr(d.find(": ") + 2);
    const bool named =
        std::any_of(m.lines.begin(), m.lines.end(), [&](std::string_view l) { return quote(l) == quoted; });
    FUZZ_CHECK(named, ctx + ": \"" + d + "\" names no line of the signature block");
  } else {
    FUZZ_CHECK(d == "signature block is empty or unterminated" || d == "signature line missing space" ||
                   d == "signature blob too short" || is_base64_detail(d),
               ctx + ": unknown detail \"" + d + "\"");
  }
}

struct TrustedKey {
  note::VerifierKey parsed;
  Bytes public_key;  // Ed25519
};

const fuzz::Ed25519Key& harness_key() {
  static const uint8_t seed[32] = {0x66, 0x75, 0x7a, 0x7a, 0x2d, 0x6e, 0x6f, 0x74, 0x65, 1,  2,
                                   3,    4,    5,    6,    7,    8,    9,    10,   11,   12, 13,
                                   14,   15,   16,   17,   18,   19,   20,   21,   22,   23};
  static const fuzz::Ed25519Key key(seed);
  return key;
}
constexpr std::string_view kHarnessName = "fuzz.example/harness";

Bytes ed25519_key_data(const Bytes& pub) {
  Bytes d{0x01};
  fuzz::put_bytes(d, pub.data(), pub.size());
  return d;
}

std::string key_string(std::string_view name, const Bytes& data) {
  return std::string(name) + "+" + fuzz::hex8(key_id(name, data)) + "+" + fuzz::base64(data);
}

// The harness key and the sample log key, both Ed25519, parsed by the
// library (which has to accept them).
const std::vector<TrustedKey>& ed25519_keys() {
  static const std::vector<TrustedKey> keys = [] {
    std::vector<TrustedKey> out;
    const Bytes harness_data = ed25519_key_data(harness_key().public_key());
    for (const std::string& text : {key_string(kHarnessName, harness_data), std::string(kLogKey)}) {
      auto k = note::parse_verifier_key(text);
      FUZZ_CHECK(k.has_value(), "harness key refused: " + text);
      const KeyModel m = model_key(text);
      FUZZ_CHECK(m.ok && m.ed25519, "harness key data");
      out.push_back({*k, m.key});
    }
    return out;
  }();
  return keys;
}

void check_verify(const note::SignedNote& n, const NoteModel& m, const std::string& ctx) {
  // No keys: nothing to trust.
  auto none = note::verify_note_signatures(n, {});
  FUZZ_CHECK(!none && none.error().kind() == Error::Kind::NoTrustedSignature &&
                 none.error().message() == "note has no verifiable signature from a trusted key",
             ctx + ": verified against no keys");

  // Ed25519 keys: each line from a trusted key verifies, or the first that
  // does not fails the note.
  std::vector<note::VerifierKey> keys;
  for (const TrustedKey& k : ed25519_keys()) keys.push_back(k.parsed);
  std::optional<std::string> want_error;
  uint32_t want = 0;
  for (const SigModel& s : m.sigs) {
    const auto k = std::find_if(ed25519_keys().begin(), ed25519_keys().end(), [&](const TrustedKey& t) {
      return t.parsed.name == s.name && t.parsed.key_id == s.id;
    });
    if (k == ed25519_keys().end()) continue;
    if (!fuzz::ed25519_verifies(k->public_key, s.sig, m.text)) {
      want_error = "invalid signature for known key " + quote(s.name) + " (key id " + fuzz::hex8(s.id) + ")";
      break;
    }
    ++want;
  }
  if (!want_error && want == 0) want_error = "note has no verifiable signature from a trusted key";
  auto got = note::verify_note_signatures(n, keys);
  if (want_error) {
    FUZZ_CHECK(!got && got.error().message() == *want_error,
               ctx + ": against the harness and sample log keys, expected \"" + *want_error + "\", got " +
                   (got ? std::to_string(*got) + " verified" : "\"" + got.error().message() + "\""));
    const auto kind = got.error().kind();
    FUZZ_CHECK(kind == Error::Kind::InvalidSignature || kind == Error::Kind::NoTrustedSignature,
               ctx + ": kind");
  } else {
    FUZZ_CHECK(got && *got == want, ctx + ": against the harness and sample log keys, expected " +
                                        std::to_string(want) + " verified, got " +
                                        (got ? std::to_string(*got) : "\"" + got.error().message() + "\""));
  }

  // The composite witness key: a line naming it that is known to be good
  // verifies; a success counts every line naming it.
  static const std::vector<note::VerifierKey> witness = [] {
    auto k = note::parse_verifier_key(kWitnessKey);
    FUZZ_CHECK(k.has_value() && k->kind == note::VerifierKeyKind::Composite && k->key_id == kWitnessId,
               "the witness key was refused");
    return std::vector<note::VerifierKey>{*k};
  }();
  uint32_t lines = 0;
  bool all_good = true;
  for (const SigModel& s : m.sigs) {
    if (s.name != kWitnessName || s.id != kWitnessId) continue;
    ++lines;
    Bytes msg = fuzz::bytes_of(m.text);
    fuzz::put_bytes(msg, s.sig.data(), s.sig.size());
    const std::string h = fuzz::hex(fuzz::evp_digest(fuzz::sha256(), msg));
    all_good &= std::find(std::begin(kGoodWitnessLines), std::end(kGoodWitnessLines), h) !=
                std::end(kGoodWitnessLines);
  }
  auto w = note::verify_note_signatures(n, witness);
  const std::string bad_witness =
      "invalid signature for known key " + quote(kWitnessName) + " (key id " + fuzz::hex8(kWitnessId) + ")";
  if (lines == 0) {
    FUZZ_CHECK(!w && w.error().kind() == Error::Kind::NoTrustedSignature,
               ctx + ": no witness line, yet " + (w ? "verified" : w.error().message()));
  } else if (w) {
    FUZZ_CHECK(*w == lines,
               ctx + ": " + std::to_string(*w) + " of " + std::to_string(lines) + " witness lines");
  } else {
    FUZZ_CHECK(!all_good, ctx + ": a known-good witness signature failed: " + w.error().message());
    FUZZ_CHECK(w.error().kind() == Error::Kind::InvalidSignature && w.error().message() == bad_witness,
               ctx + ": against the witness key: " + w.error().message());
  }
}

void check_note_text(std::string_view t, bool must_parse) {
  const NoteModel m = model_note(t);
  auto got = note::parse_signed_note(t);
  const std::string ctx = "note " + fuzz::hex(t);
  if (!got) {
    FUZZ_CHECK(!must_parse, ctx + ": the harness's own note was refused: " + got.error().message());
    FUZZ_CHECK(!m.ok, ctx + ": refused (" + got.error().message() + "), the model accepts it");
    check_note_failure(got.error(), m, ctx);
    return;
  }
  FUZZ_CHECK(m.ok, ctx + ": accepted, the model refuses it");
  const note::SignedNote& n = *got;
  FUZZ_CHECK(n.text.data() == t.data() && n.text.size() == m.text.size(), ctx + ": text is not the model's");
  FUZZ_CHECK(!n.text.empty() && n.text.back() == '\n', ctx + ": text does not end in a newline");
  FUZZ_CHECK(n.signatures.size() >= 1 && n.signatures.size() <= 100,
             ctx + ": " + std::to_string(n.signatures.size()) + " signatures");
  FUZZ_CHECK(n.signatures.size() == m.sigs.size(), ctx + ": signature count");
  std::string again = std::string(n.text) + "\n";
  bool canonical = true;
  for (size_t i = 0; i < m.sigs.size(); ++i) {
    const note::NoteSignature& s = n.signatures[i];
    const SigModel& w = m.sigs[i];
    FUZZ_CHECK(s.name.data() == w.name.data() && s.name.size() == w.name.size(),
               ctx + ": name of line " + std::to_string(i));
    FUZZ_CHECK(s.key_id == w.id && s.signature == w.sig, ctx + ": blob of line " + std::to_string(i));
    Bytes blob;
    fuzz::put_be32(blob, s.key_id);
    fuzz::put_bytes(blob, s.signature.data(), s.signature.size());
    again += std::string(kEmDashSpace) + std::string(s.name) + " " + fuzz::base64(blob) + "\n";
    canonical &= w.canonical;
  }
  FUZZ_CHECK((again == t) == canonical, ctx + ": written back as " + fuzz::hex(again));
  if (!canonical) {
    auto reparsed = note::parse_signed_note(std::string_view(again));
    FUZZ_CHECK(reparsed && reparsed->text == n.text && reparsed->signatures.size() == n.signatures.size(),
               ctx + ": the note written back does not parse the same");
    for (size_t i = 0; i < n.signatures.size(); ++i) {
      const auto& a = reparsed->signatures[i];
      const auto& b = n.signatures[i];
      FUZZ_CHECK(a.name == b.name && a.key_id == b.key_id && a.signature == b.signature,
                 ctx + ": line " + std::to_string(i) + " written back differs");
    }
  }
  check_verify(n, m, ctx);
  check_head(n.text);
}

// Scenario 3: a text signed here. flags bit 0: a good harness line (also
// when no other line is asked for); bit 1: a line from an unknown key first;
// bit 2: a harness line with one bit of its signature flipped (the bit is
// picked by the next byte and flags >> 4), or, when that byte is 0xC0 or
// more, with the group order added to its s; bit 3: the harness signature
// under the sample log key's name and id.
void check_signed_here(const uint8_t* p, size_t n) {
  const uint8_t flags = n > 0 ? p[0] : 0;
  const uint8_t where = n > 1 ? p[1] : 0;
  std::string text(reinterpret_cast<const char*>(p) + std::min<size_t>(n, 2), n - std::min<size_t>(n, 2));
  for (char& c : text) {
    if (static_cast<uint8_t>(c) < 0x20 && c != '\n') c = '.';
  }
  if (text.empty() || text.back() != '\n') text += '\n';

  const Bytes sig = harness_key().sign(text);
  const note::VerifierKey& harness = ed25519_keys()[0].parsed;
  const note::VerifierKey& log = ed25519_keys()[1].parsed;
  auto line = [](std::string_view name, uint32_t id, const Bytes& s) {
    Bytes blob;
    fuzz::put_be32(blob, id);
    fuzz::put_bytes(blob, s.data(), s.size());
    return std::string(kEmDashSpace) + std::string(name) + " " + fuzz::base64(blob) + "\n";
  };
  const bool good = (flags & 1) || (flags & 0x0E) == 0;
  std::string signed_note = text + "\n";
  if (flags & 2) signed_note += line("unknown.example", 0x01020304, Bytes(64, 0x55));
  if (good) signed_note += line(harness.name, harness.key_id, sig);
  if (flags & 4) {
    Bytes bad = sig;
    if (where >= 0xC0) {
      fuzz::add_group_order(bad.data() + 32);  // s + L: malleated, not flipped
    } else {
      bad[where % 64] ^= static_cast<uint8_t>(1u << ((flags >> 4) % 8));
    }
    signed_note += line(harness.name, harness.key_id, bad);
  }
  if (flags & 8) signed_note += line(log.name, log.key_id, sig);

  check_note_text(signed_note, true);

  // Against the harness key alone, without the prediction.
  auto parsed = note::parse_signed_note(std::string_view(signed_note));
  FUZZ_CHECK(parsed && parsed->text == text, "the harness's note: text");
  auto got = note::verify_note_signatures(*parsed, {harness});
  const std::string ctx = "the harness's note " + fuzz::hex(signed_note) + " flags " + std::to_string(flags);
  if (flags & 4) {
    FUZZ_CHECK(
        !got && got.error().message() == "invalid signature for known key \"fuzz.example/harness\" (key id " +
                                             fuzz::hex8(harness.key_id) + ")",
        ctx + ": a flipped signature bit went unnoticed");
  } else if (good) {
    FUZZ_CHECK(got && *got == 1, ctx + ": the good signature did not verify");
  } else {
    FUZZ_CHECK(!got && got.error().kind() == Error::Kind::NoTrustedSignature, ctx + ": no harness line");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t* p = data + 1;
  const size_t n = size - 1;
  const std::string_view rest(reinterpret_cast<const char*>(p), n);
  switch (data[0] % 5) {
    case 0:
      check_key(rest);
      break;
    case 1:
      check_key_with_id(p, n);
      break;
    case 2:
      check_note_text(rest, false);
      break;
    case 3:
      check_signed_here(p, n);
      break;
    case 4:
      check_head(rest);
      break;
  }
  return 0;
}
