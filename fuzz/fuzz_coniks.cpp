// CONIKS proofs, namespaces and commitments. The first input byte picks a
// scenario:
//   0, 1  the rest is a lookup (0) or absence (1) proof for the parser;
//   2     the rest is a namespace;
//   3     coniks_verify_lookup or coniks_verify_absence with argument buffers
//         carved from the input (framed, raw, empty, or a sample's value);
//   4     one of the sample directory's proofs (samples/coniks/) with edits
//         from the input (bit flips, bytes set, inserted or cut off, and the
//         group order added to the VRF proof's s), through the export,
//         sometimes with the identity, root or key changed, or handed to the
//         other export;
//   5     verify_commitment with buffers from the input, the commitment
//         sometimes computed here (and then perhaps one bit flipped).
// What is checked:
//   - the parsers accept exactly when the proof layout read here does, with
//     views at the same places (vrf proof, value, opening, every sibling);
//     failures are MalformedConiksProof with the detail the layout predicts;
//   - validate_namespace accepts exactly non-empty printable ASCII without
//     space or "/" (and then ns + "/x/v1" is a context label), refusing with
//     the quoted text otherwise;
//   - the exports return code 0, 1 or 2, the zero value on failure and
//     well-formed error buffers, and the outcome predicted here: the lift
//     failure, the namespace, root-length, proof and VRF-length failures, a
//     VRF proof that does not verify whenever it is not a sample's own proof
//     for its identity, and for a sample's VRF proof the root recomputed here
//     (SHA3-512 under the namespace's labels, the index from the VRF output
//     computed with libsodium), so a success returns the proof's value;
//   - verify_commitment succeeds exactly when
//     SHA3-512(BE64(len ctx) || ctx || opening || value) is the commitment.

#include <sodium.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "coniks/proof.h"
#include "context/namespace.h"
#include "core/error.h"
#include "core/quote.h"
#include "evp.h"
#include "silvantrope_log.h"
#include "support.h"
#include "text_model.h"

namespace {

using fuzz::Bytes;
using fuzz::Source;
using fuzz::free_returned;
using fuzz::is_zero;
using silvantrope::Error;
using silvantrope::quote;
namespace coniks = silvantrope::coniks;

// ---------------------------------------------------------------------------
// The sample directory (samples/coniks-*.sample and samples/coniks/*).

constexpr std::string_view kNamespace = "chat.silvantrope.example";
constexpr std::string_view kVrfPublic = "cf6e620156e9f148c25e49aa9a60c39ea8ca882effe44bf189e0e19ba2b31b67";
constexpr std::string_view kRoot =
    "3333eb0d064dd4543e0eae4f39b10cae04e3f0ef81ed99e8902453adb8a15f10"
    "3361b0b10917b7e127e12c9d52086a5b396ae899156be4009051fbb554b40d16";
constexpr std::string_view kAliceProof =
    "01000000506eaf43501e8c06bb1aeeb586aa76212d8bc73207c4d586f7fd244e0ef13e1515d396407b33fb5c61953b8f"
    "b806cf1521dd5aa4b120afc3af0154364364281577792f67429b67a9b782863f48675971080000001f7832353531393a"
    "386632612e2e2e3b6d6c6b656d3736383a343163302e2e2e5c4c596545f8ddf0db07377b03b6ecf5f976cdd87776e418"
    "a361424c339ce891c000000000000000000000000000000000000000000000000000000000000000f1a599aa4fe18d76"
    "aad7f0d9065291a3967f83f0c86eedae98d7968ce2fa301c7a76623cc0f323b32bbbd57816542c0f1e7b179f469972eb"
    "768ca0e35c5c95f780b1f5023f50c907e63385e98c8ecb177cc9553fa80021c0697ec48e73d5284eb368a195318efb14"
    "81a20d3984de98903275c08b08544ce581b6e9e3c89ecd42";
constexpr std::string_view kCarolProof =
    "0100000050ff5044f14d95dd1a3a4640432ff3c51ff1118fedde2c18aee8dca638acc5d53f2a4bbb71fef60b6c928f67"
    "e3e2019024bf45a7cedef41a3a1fe22c5567404a68089efe40b324a2d0dc362f0427da7509000000003a6943671b78a7"
    "2a84620e76a6f25d4cb2ffc18c4e1b59446231e6eb45f2e409c000000000000000000000000000000000000000000000"
    "000000000000000000f1a599aa4fe18d76aad7f0d9065291a3967f83f0c86eedae98d7968ce2fa301c7a76623cc0f323"
    "b32bbbd57816542c0f1e7b179f469972eb768ca0e35c5c95f7726dedacee78967081ae6d23493ce86461a766dfc3eb92"
    "e5e0d74e77db1c7de1d64b9e1bdd83413c602aac13e8a644f40ebbf30926a7227383f1aa34d3f2ad35";
constexpr std::string_view kMalloryProof =
    "0000000050ab0a603366ba6ba31017ef67246b30477d28c3b35de05c19298f0aa82092b4ec6b2cf57807b3f93d022513"
    "1a6158617c00250fde1e998af2193fa6a179794801cadb998605f9efe015dc37c972c99101e000000000000000000000"
    "000000000000000000000000000000000000000000f1a599aa4fe18d76aad7f0d9065291a3967f83f0c86eedae98d796"
    "8ce2fa301c7a76623cc0f323b32bbbd57816542c0f1e7b179f469972eb768ca0e35c5c95f7726dedacee78967081ae6d"
    "23493ce86461a766dfc3eb92e5e0d74e77db1c7de1d64b9e1bdd83413c602aac13e8a644f40ebbf30926a7227383f1aa"
    "34d3f2ad35de5fd141da724a2cf2146febcaa2179d1bb930f9df145b3deab5fb9b6f66f3326ac414aa1fda1f91106698"
    "97a1fc0e5461829dbdc955e4a3100584dc5e9fb479";

Bytes unhex(std::string_view h) {
  auto b = fuzz::hex_digits(h);
  FUZZ_CHECK(b.has_value(), "harness: bad hex constant");
  return *b;
}

struct Sample {
  std::string identity;
  bool lookup;
  Bytes proof;
  Bytes vrf_proof;
  std::array<uint8_t, 32> index;  // from the VRF output
};

// beta = SHA-512(suite 0x03 || 0x03 || encode(8 * Gamma) || 0x00), Gamma the
// first 32 bytes of the proof; the tree index is its first half.
std::array<uint8_t, 32> vrf_index(const Bytes& vrf_proof) {
  FUZZ_CHECK(sodium_init() >= 0, "libsodium");
  uint8_t eight[crypto_core_ed25519_SCALARBYTES] = {8};
  uint8_t q[32];
  FUZZ_CHECK(crypto_scalarmult_ed25519_noclamp(q, eight, vrf_proof.data()) == 0, "harness: 8 * Gamma");
  Bytes m{0x03, 0x03};
  fuzz::put_bytes(m, q, 32);
  m.push_back(0x00);
  const Bytes beta = fuzz::evp_digest(fuzz::sha512(), m);
  std::array<uint8_t, 32> index;
  std::memcpy(index.data(), beta.data(), 32);
  return index;
}

const std::vector<Sample>& samples() {
  static const std::vector<Sample> all = [] {
    std::vector<Sample> out;
    const std::pair<const char*, std::string_view> files[] = {
        {"alice@chat.example", kAliceProof},
        {"carol@chat.example", kCarolProof},
        {"mallory@chat.example", kMalloryProof},
    };
    for (const auto& [identity, hex] : files) {
      Sample s;
      s.identity = identity;
      s.proof = unhex(hex);
      s.lookup = s.proof[0] == 0x01;
      const uint32_t n = fuzz::get_be32(s.proof.data() + 1);
      FUZZ_CHECK(n == 80, "harness: sample vrf proof length");
      s.vrf_proof.assign(s.proof.begin() + 5, s.proof.begin() + 85);
      s.index = vrf_index(s.vrf_proof);
      out.push_back(std::move(s));
    }
    return out;
  }();
  return all;
}

// ---------------------------------------------------------------------------
// The proof layout: tag (0x01 lookup, 0x00 absence), BE32-framed VRF proof,
// for a lookup a BE32-framed value and a 32-byte opening, then a 32-byte
// bitmap (bit i, most significant first, for depth i) and a 64-byte sibling
// for every set bit, which end the proof.

struct ProofModel {
  std::string failure;  // the detail, when malformed
  size_t vrf_at = 0, vrf_len = 0, value_at = 0, value_len = 0, opening_at = 0;
  std::array<std::optional<size_t>, 256> path{};
};

std::string byte_hex(uint8_t b) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02x", b);
  return buf;
}

ProofModel model_proof(const Bytes& p, bool lookup) {
  ProofModel m;
  const size_t n = p.size();
  if (n == 0) return m.failure = "empty proof", m;
  const uint8_t want = lookup ? 0x01 : 0x00;
  if (p[0] != want) {
    return m.failure = std::string("expected ") + (lookup ? "presence" : "absence") + " tag " +
                       byte_hex(want) + ", got " + byte_hex(p[0]),
           m;
  }
  size_t pos = 1;
  auto field = [&](const char* name, size_t& at, size_t& len) {
    if (n - pos < 4) return m.failure = std::string(name) + ": missing 4-byte length prefix", false;
    const uint32_t k = fuzz::get_be32(p.data() + pos);
    pos += 4;
    if (n - pos < k) {
      return m.failure =
                 std::string(name) + ": length prefix " + std::to_string(k) + " overruns available bytes",
             false;
    }
    at = pos;
    len = k;
    pos += k;
    return true;
  };
  if (!field("vrf proof", m.vrf_at, m.vrf_len)) return m;
  if (lookup) {
    if (!field("value", m.value_at, m.value_len)) return m;
    if (n - pos < 32) return m.failure = "missing opening", m;
    m.opening_at = pos;
    pos += 32;
  }
  const size_t available = n - pos;
  if (available < 32) return m.failure = "authentication path shorter than its bitmap", m;
  const size_t bitmap = pos;
  size_t count = 0;
  for (size_t i = 0; i < 256; ++i) count += (p[bitmap + i / 8] >> (7 - i % 8)) & 1;
  const size_t needed = 32 + 64 * count;
  if (available < needed) {
    return m.failure = "authentication path: bitmap implies " + std::to_string(count) + " sibling hashes (" +
                       std::to_string(needed) + " bytes), only " + std::to_string(available) + " available",
           m;
  }
  if (available > needed) return m.failure = "trailing bytes after authentication path", m;
  size_t at = bitmap + 32;
  for (size_t i = 0; i < 256; ++i) {
    if ((p[bitmap + i / 8] >> (7 - i % 8)) & 1) {
      m.path[i] = at;
      at += 64;
    }
  }
  return m;
}

Bytes field_bytes(const Bytes& p, size_t at, size_t len) {
  return Bytes(p.begin() + static_cast<std::ptrdiff_t>(at),
               p.begin() + static_cast<std::ptrdiff_t>(at + len));
}

void check_view(silvantrope::ByteView v, const Bytes& p, size_t at, size_t len, const std::string& what) {
  FUZZ_CHECK(v.size() == len && (len == 0 || v.data() == p.data() + at),
             what + " is not the view at " + std::to_string(at) + "+" + std::to_string(len));
}

void check_path(const coniks::AuthPath& path, const ProofModel& m, const Bytes& p, const std::string& ctx) {
  for (size_t i = 0; i < 256; ++i) {
    if (m.path[i]) {
      FUZZ_CHECK(path[i] == p.data() + *m.path[i], ctx + ": sibling " + std::to_string(i) + " misplaced");
    } else {
      FUZZ_CHECK(path[i] == nullptr, ctx + ": sibling " + std::to_string(i) + " present");
    }
  }
}

void check_parse(const Bytes& p, bool lookup) {
  const ProofModel m = model_proof(p, lookup);
  const std::string ctx = std::string(lookup ? "lookup" : "absence") + " proof " + fuzz::hex(p);
  const silvantrope::ByteView v(p.data(), p.size());
  std::optional<Error> failure;
  if (lookup) {
    auto got = coniks::parse_lookup_proof(v);
    if (got) {
      FUZZ_CHECK(m.failure.empty(), ctx + ": accepted, the layout says \"" + m.failure + "\"");
      check_view(got->vrf_proof, p, m.vrf_at, m.vrf_len, ctx + ": vrf proof");
      check_view(got->value, p, m.value_at, m.value_len, ctx + ": value");
      check_view(got->opening, p, m.opening_at, 32, ctx + ": opening");
      check_path(got->path, m, p, ctx);
      return;
    }
    failure = got.error();
  } else {
    auto got = coniks::parse_absence_proof(v);
    if (got) {
      FUZZ_CHECK(m.failure.empty(), ctx + ": accepted, the layout says \"" + m.failure + "\"");
      check_view(got->vrf_proof, p, m.vrf_at, m.vrf_len, ctx + ": vrf proof");
      check_path(got->path, m, p, ctx);
      return;
    }
    failure = got.error();
  }
  FUZZ_CHECK(failure->kind() == Error::Kind::MalformedConiksProof, ctx + ": " + failure->message());
  FUZZ_CHECK(!m.failure.empty(), ctx + ": refused (" + failure->message() + "), the layout is fine");
  FUZZ_CHECK(failure->message() == "malformed coniks proof: " + m.failure,
             ctx + ": \"" + failure->message() + "\", expected \"" + m.failure + "\"");
}

// ---------------------------------------------------------------------------
// Namespaces.

bool namespace_ok(std::string_view ns) {
  if (ns.empty()) return false;
  for (char c : ns) {
    const auto b = static_cast<uint8_t>(c);
    if (b < 0x21 || b > 0x7E || b == '/') return false;
  }
  return true;
}

std::string namespace_failure(std::string_view ns) {
  return "malformed namespace: namespace must be non-empty printable ASCII without '/': " + quote(ns);
}

void check_namespace(std::string_view ns) {
  auto got = silvantrope::context::validate_namespace(ns);
  const std::string ctx = "namespace " + fuzz::hex(ns);
  if (got) {
    FUZZ_CHECK(namespace_ok(ns), ctx + ": accepted");
    FUZZ_CHECK(got->text.data() == ns.data() && got->text.size() == ns.size(),
               ctx + ": text is not the input");
    FUZZ_CHECK(fuzz::label_shape(std::string(ns) + "/coniks-leaf/v1").has_value(),
               ctx + ": does not make a context label");
    return;
  }
  FUZZ_CHECK(!namespace_ok(ns), ctx + ": refused: " + got.error().message());
  FUZZ_CHECK(
      got.error().kind() == Error::Kind::MalformedNamespace && got.error().message() == namespace_failure(ns),
      ctx + ": \"" + got.error().message() + "\"");
}

// ---------------------------------------------------------------------------
// The directory tree of depth 256 under a namespace's labels.

Bytes cat(const Bytes& a, const Bytes& b) {
  Bytes out = a;
  fuzz::put_bytes(out, b.data(), b.size());
  return out;
}

Bytes directory_root(std::string_view ns, const std::array<uint8_t, 32>& index, const Bytes& leaf,
                     const Bytes& proof, const ProofModel& m) {
  const std::string nsv(ns);
  const std::string node_label = nsv + "/coniks-node/v1";
  std::vector<Bytes> empty(257);
  empty[256] = fuzz::context_hash(nsv + "/coniks-empty/v1", {});
  for (size_t d = 256; d-- > 0;) empty[d] = fuzz::context_hash(node_label, cat(empty[d + 1], empty[d + 1]));
  Bytes cur = leaf;
  for (size_t d = 256; d-- > 0;) {
    const Bytes sibling = m.path[d] ? field_bytes(proof, *m.path[d], 64) : empty[d + 1];
    const bool right = (index[d / 8] >> (7 - d % 8)) & 1;
    cur = fuzz::context_hash(node_label, right ? cat(sibling, cur) : cat(cur, sibling));
  }
  return cur;
}

Bytes leaf_value(std::string_view ns, bool lookup, const std::array<uint8_t, 32>& index, const Bytes& proof,
                 const ProofModel& m) {
  const std::string nsv(ns);
  if (!lookup) return fuzz::context_hash(nsv + "/coniks-empty/v1", {});
  const Bytes commitment = fuzz::context_hash(
      nsv + "/coniks-commitment/v1",
      cat(field_bytes(proof, m.opening_at, 32), field_bytes(proof, m.value_at, m.value_len)));
  Bytes msg{0x03};
  fuzz::put_bytes(msg, index.data(), index.size());
  fuzz::put_bytes(msg, commitment.data(), commitment.size());
  return fuzz::context_hash(nsv + "/coniks-leaf/v1", msg);
}

// ---------------------------------------------------------------------------
// Calling the exports.

enum class Wire { ByteList, Text };

struct ArgPlan {
  const char* name;
  Wire wire;
  Bytes bytes;  // what the buffer holds
};

RustBuffer to_buffer(const Bytes& b) {
  if (b.empty()) return RustBuffer{0, 0, nullptr};
  auto* d = static_cast<uint8_t*>(std::malloc(b.size()));
  FUZZ_CHECK(d != nullptr, "out of memory");
  std::memcpy(d, b.data(), b.size());
  return RustBuffer{b.size(), b.size(), d};
}

Bytes framed(const Bytes& b) {
  Bytes out;
  fuzz::put_framed(out, b);
  return out;
}

struct Expect {
  int code = 0;
  std::string message;
  Bytes value;  // coniks_verify_lookup's result
};

struct Got {
  int code = 0;
  std::string message;
  Bytes value;
};

std::string describe(const std::vector<ArgPlan>& args) {
  std::string out;
  for (const ArgPlan& a : args) out += std::string("\n  ") + a.name + ": " + fuzz::hex(a.bytes);
  return out;
}

// The lifted values, or the code-2 message of the first argument that fails.
std::optional<std::string> lift(const std::vector<ArgPlan>& args, std::vector<Bytes>& values) {
  for (const ArgPlan& a : args) {
    if (a.wire == Wire::Text) {
      values.push_back(a.bytes);
      continue;
    }
    fuzz::LiftModel m(a.bytes.data(), a.bytes.size());
    fuzz::Slice s{};
    if (!m.byte_list(s) || !m.finish()) {
      return std::string("Failed to convert arg '") + a.name + "':\n" + m.failure();
    }
    values.push_back(field_bytes(a.bytes, s.offset, s.size));
  }
  return std::nullopt;
}

enum class Export { Lookup, Absence, Commitment };

Got call(Export e, const std::vector<ArgPlan>& args, const std::string& ctx) {
  std::vector<RustBuffer> b;
  for (const ArgPlan& a : args) b.push_back(to_buffer(a.bytes));
  RustCallStatus status{};
  std::optional<RustBuffer> ret;
  switch (e) {
    case Export::Lookup:
      ret = uniffi_silvantrope_log_fn_func_coniks_verify_lookup(b[0], b[1], b[2], b[3], b[4], &status);
      break;
    case Export::Absence:
      uniffi_silvantrope_log_fn_func_coniks_verify_absence(b[0], b[1], b[2], b[3], b[4], &status);
      break;
    case Export::Commitment:
      uniffi_silvantrope_log_fn_func_verify_commitment(b[0], b[1], b[2], b[3], &status);
      break;
  }
  Got g;
  g.code = status.code;
  FUZZ_CHECK(g.code == 0 || g.code == 1 || g.code == 2, ctx + ": status code " + std::to_string(g.code));
  const RustBuffer& eb = status.error_buf;
  if (g.code == 0) {
    FUZZ_CHECK(is_zero(eb), ctx + ": error_buf set on success");
    if (ret) {
      const RustBuffer& r = *ret;
      FUZZ_CHECK(r.data != nullptr && r.len <= r.capacity && r.len >= 4,
                 ctx + ": returned buffer is not a byte list");
      FUZZ_CHECK(fuzz::get_be32(r.data) == r.len - 4, ctx + ": returned length prefix");
      g.value.assign(r.data + 4, r.data + r.len);
      free_returned(r, ctx);
    }
    return g;
  }
  if (ret) FUZZ_CHECK(is_zero(*ret), ctx + ": failure did not return the zero value");
  FUZZ_CHECK(eb.data != nullptr && eb.len <= eb.capacity, ctx + ": bad error_buf");
  const Bytes raw(eb.data, eb.data + eb.len);
  free_returned(eb, ctx);
  if (g.code == 1) {
    FUZZ_CHECK(raw.size() >= 8 && fuzz::get_be32(raw.data()) == 1 &&
                   fuzz::get_be32(raw.data() + 4) == raw.size() - 8,
               ctx + ": code-1 error_buf " + fuzz::hex(raw));
    g.message.assign(raw.begin() + 8, raw.end());
  } else {
    g.message.assign(raw.begin(), raw.end());
  }
  FUZZ_CHECK(fuzz::valid_utf8(g.message), ctx + ": message is not UTF-8: " + fuzz::hex(raw));
  return g;
}

void compare(const Got& g, const Expect& want, const std::string& ctx) {
  FUZZ_CHECK(g.code == want.code && g.message == want.message,
             ctx + ": expected code " + std::to_string(want.code) + " \"" + want.message + "\", got code " +
                 std::to_string(g.code) + " \"" + g.message + "\"");
  if (g.code == 0) FUZZ_CHECK(g.value == want.value, ctx + ": returned " + fuzz::hex(g.value));
}

std::string vrf_length(size_t want, size_t got) {
  return "vrf error: invalid length: expected " + std::to_string(want) + " bytes, got " + std::to_string(got);
}

// The outcome of coniks_verify_lookup / _absence for lifted arguments.
Expect predict_coniks(bool lookup, const std::vector<Bytes>& v) {
  const std::string_view ns = fuzz::view(v[0]);
  const Bytes& key = v[1];
  const Bytes& root = v[2];
  const Bytes& identity = v[3];
  const Bytes& proof = v[4];
  Expect e;
  e.code = 1;
  if (!namespace_ok(ns)) return e.message = namespace_failure(ns), e;
  if (root.size() != 64) return e.message = "coniks root must be exactly 64 bytes", e;
  const ProofModel m = model_proof(proof, lookup);
  if (!m.failure.empty()) return e.message = "malformed coniks proof: " + m.failure, e;
  if (key.size() != 32) return e.message = vrf_length(32, key.size()), e;
  if (m.vrf_len != 80) return e.message = vrf_length(80, m.vrf_len), e;
  // Only a sample's own VRF proof, for its identity under the sample key and
  // namespace, verifies; nothing here can make another.
  const Bytes vrf_proof = field_bytes(proof, m.vrf_at, 80);
  const Sample* known = nullptr;
  static const Bytes sample_key = unhex(kVrfPublic);
  if (ns == kNamespace && key == sample_key) {
    for (const Sample& s : samples()) {
      if (s.vrf_proof == vrf_proof && fuzz::view(identity) == s.identity) known = &s;
    }
  }
  if (known == nullptr) return e.message = "vrf proof did not verify against the namespace public key", e;
  const Bytes leaf = leaf_value(ns, lookup, known->index, proof, m);
  if (directory_root(ns, known->index, leaf, proof, m) != root) {
    return e.message =
               "coniks proof root mismatch: recomputed directory root does not match the expected root",
           e;
  }
  e.code = 0;
  if (lookup) e.value = field_bytes(proof, m.value_at, m.value_len);
  return e;
}

std::vector<ArgPlan> coniks_args(const Bytes& ns, const Bytes& key, const Bytes& root, const Bytes& identity,
                                 const Bytes& proof) {
  return {{"namespace", Wire::Text, ns},
          {"vrf_public", Wire::ByteList, key},
          {"root", Wire::ByteList, root},
          {"identity", Wire::ByteList, identity},
          {"proof", Wire::ByteList, proof}};
}

void run_coniks(bool lookup, const std::vector<ArgPlan>& args, const std::string& what) {
  const std::string ctx =
      what + (lookup ? " coniks_verify_lookup" : " coniks_verify_absence") + describe(args);
  std::vector<Bytes> values;
  Expect want;
  if (auto failure = lift(args, values)) {
    want.code = 2;
    want.message = *failure;
  } else {
    want = predict_coniks(lookup, values);
  }
  compare(call(lookup ? Export::Lookup : Export::Absence, args, ctx), want, ctx);
}

// Scenario 3: every buffer from the input.
void coniks_from_input(Source& s) {
  const uint8_t flags = s.u8();
  const bool lookup = (flags & 1) == 0;
  const Sample& sample = samples()[(flags >> 1) % 3];
  const Bytes sample_values[5] = {fuzz::bytes_of(kNamespace), unhex(kVrfPublic), unhex(kRoot),
                                  fuzz::bytes_of(sample.identity), sample.proof};
  std::vector<ArgPlan> args = coniks_args({}, {}, {}, {}, {});
  for (size_t i = 0; i < args.size(); ++i) {
    ArgPlan& a = args[i];
    const uint8_t ctrl = s.u8();
    Bytes value;
    switch (ctrl % 8) {
      case 6:
        a.bytes = s.payload();
        continue;  // raw: maybe not a byte list at all
      case 7:
        continue;  // the empty buffer
      case 5:
        value = sample_values[i];
        break;
      default:
        value = s.payload();
        break;
    }
    a.bytes = a.wire == Wire::Text ? value : framed(value);
  }
  run_coniks(lookup, args, "from input");
}

// Scenario 4: a sample's proof with edits.
void coniks_sample_edits(Source& s) {
  const uint8_t flags = s.u8();
  const Sample& sample = samples()[flags % 3];
  bool lookup = sample.lookup;
  if (flags & 4) lookup = !lookup;
  Bytes identity = fuzz::bytes_of(sample.identity);
  if (flags & 8) identity.push_back('!');
  Bytes root = unhex(kRoot);
  if (flags & 16) root[s.u8() % 64] ^= 0x01;
  Bytes key = unhex(kVrfPublic);
  if (flags & 32) key[s.u8() % 32] ^= 0x80;
  Bytes proof = sample.proof;
  for (int k = 0; k < 8 && !s.empty(); ++k) {
    const uint8_t op = s.u8();
    const size_t pos = s.u16();
    switch (op % 5) {
      case 4: {  // the VRF proof's s plus the group order: the same scalar, not canonical
        const size_t s_at = 1 + 4 + 48;
        if (proof.size() >= s_at + 32) fuzz::add_group_order(proof.data() + s_at);
        break;
      }
      case 0:
        if (!proof.empty()) proof[pos % proof.size()] ^= static_cast<uint8_t>(1u << ((op / 5) % 8));
        break;
      case 1:
        if (!proof.empty()) proof[pos % proof.size()] = s.u8();
        break;
      case 2:
        proof.resize(pos % (proof.size() + 1));
        break;
      case 3:
        proof.insert(proof.begin() + static_cast<std::ptrdiff_t>(pos % (proof.size() + 1)), s.u8());
        break;
    }
  }
  run_coniks(
      lookup,
      coniks_args(fuzz::bytes_of(kNamespace), framed(key), framed(root), framed(identity), framed(proof)),
      "sample " + sample.identity + " flags " + std::to_string(flags));
}

// Scenario 5: verify_commitment.
void commitment(Source& s) {
  const uint8_t flags = s.u8();
  std::vector<ArgPlan> args{{"context", Wire::Text, {}},
                            {"commitment", Wire::ByteList, {}},
                            {"value", Wire::ByteList, {}},
                            {"opening", Wire::ByteList, {}}};
  Bytes values[4];
  bool raw[4] = {};
  for (size_t i = 0; i < 4; ++i) {
    const uint8_t ctrl = s.u8();
    raw[i] = ctrl % 8 == 7;
    // Usually the sizes the export wants.
    const size_t fixed = i == 1 ? 64 : i == 3 ? 32 : 0;
    values[i] = fixed != 0 && ctrl % 8 < 4 ? s.take(fixed) : s.payload();
  }
  if (flags & 1) {
    values[1] = fuzz::context_hash(fuzz::view(values[0]), cat(values[3], values[2]));
    if (flags & 2) values[1][s.u8() % 64] ^= static_cast<uint8_t>(1u << (flags >> 5));
  }
  for (size_t i = 0; i < 4; ++i) {
    args[i].bytes = args[i].wire == Wire::Text || raw[i] ? values[i] : framed(values[i]);
  }
  const std::string ctx = "verify_commitment flags " + std::to_string(flags) + describe(args);
  std::vector<Bytes> v;
  Expect want;
  want.code = 1;
  if (auto failure = lift(args, v)) {
    want.code = 2;
    want.message = *failure;
  } else if (v[1].size() != 64) {
    want.message = "commitment must be exactly 64 bytes";
  } else if (v[3].size() != 32) {
    want.message = "opening must be exactly 32 bytes";
  } else if (fuzz::context_hash(fuzz::view(v[0]), cat(v[3], v[2])) != v[1]) {
    want.message = "commitment did not open to the claimed value";
  } else {
    want.code = 0;
  }
  const Got g = call(Export::Commitment, args, ctx);
  compare(g, want, ctx);
  // A commitment made here from 32-byte opening, unflipped, always opens.
  if ((flags & 3) == 1 && !raw[1] && !raw[2] && !raw[3] && values[3].size() == 32) {
    FUZZ_CHECK(g.code == 0, ctx + ": a commitment computed here did not open");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Source s(data, size);
  const uint8_t selector = s.u8();
  const Bytes rest = s.take(size);
  switch (selector % 6) {
    case 0:
      check_parse(rest, true);
      break;
    case 1:
      check_parse(rest, false);
      break;
    case 2:
      check_namespace(fuzz::view(rest));
      break;
    case 3: {
      Source r(rest.data(), rest.size());
      coniks_from_input(r);
      break;
    }
    case 4: {
      Source r(rest.data(), rest.size());
      coniks_sample_edits(r);
      break;
    }
    default: {
      Source r(rest.data(), rest.size());
      commitment(r);
      break;
    }
  }
  return 0;
}
