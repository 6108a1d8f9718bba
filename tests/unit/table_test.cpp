// SPDX-License-Identifier: Apache-2.0
// Runs the case tables in tests/data/tables: each line is a function name,
// its arguments and the expected outcome, tab-separated, with \n \r \t \\ and
// \xNN escapes. An outcome is "ok" plus a rendering of the value, or the
// failure's exact message.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "checkpoint/checkpoint.h"
#include "checkpoint/cosigned.h"
#include "checkpoint/tlog_policy.h"
#include "checkpoint/tlog_proof.h"
#include "context/context_hash.h"
#include "context/label.h"
#include "context/namespace.h"
#include "core/quote.h"
#include "core/utf8.h"
#include "encoding/base64.h"
#include "keytrans/ladder.h"
#include "keytrans/suite.h"
#include "ffi/lift.h"
#include "ffi/lift_tile.h"
#include "note/signed_note.h"
#include "note/verifier_key.h"
#include "silvantrope-crypto/sign.h"
#include "silvantrope-crypto/token.h"
#include "tiles/bundle.h"
#include "tiles/path.h"
#include "tiles/tree.h"
#include "tiles/width.h"
#include "notes.h"

namespace silvantrope {
namespace {

using Args = std::vector<std::string>;

// An input with n of one repeated part, at a length limit: "ok N" or the error.
std::string many(const std::string& what, size_t n) {
  using test_support::NoteKey;
  static const NoteKey log = NoteKey::ed25519("log.example", 1);
  const std::string body = test_support::checkpoint_body(log.name, 1, Bytes(32, 0));
  std::string text;
  if (what == "policy_logs" || what == "policy_witnesses") {
    for (size_t i = 0; i < n; ++i) {
      const std::string name = "k" + std::to_string(i);
      text += what == "policy_logs"
                  ? "log " + NoteKey::ed25519(name, 1000 + i).verifier_key() + "\n"
                  : "witness " + name + " " +
                        test_support::Cosigner{name, test_support::Ed25519Signer(1000 + i)}.verifier_key() + "\n";
    }
    auto p = checkpoint::parse_tlog_policy(text + "quorum none\n");
    if (!p) return std::string(p.error().message());
    return "ok " + std::to_string(what == "policy_logs" ? p->logs.size() : p->witnesses.witnesses.size());
  }
  if (what == "proof_hashes" || what == "proof_index") {  // n hashes at index 0, or none at index n
    const bool hashes = what == "proof_hashes";
    text = "c2sp.org/tlog-proof@v1\nindex " + std::to_string(hashes ? 0 : n) + "\n";
    for (size_t i = 0; hashes && i < n; ++i) text += std::string(43, 'A') + "=\n";
    const std::string proof = text + "\n" + test_support::sign_note(body, {&log});
    auto p = checkpoint::parse_tlog_proof(proof);
    if (!p) return std::string(p.error().message());
    return "ok " + std::to_string(hashes ? p->hashes.size() : p->index);
  }
  if (what == "note_signatures") {
    std::string note = test_support::sign_note(body, {&log});
    for (size_t i = 1; i < n; ++i) note += test_support::signature_line("other.example", 7, Bytes(64, 1));
    auto p = note::parse_signed_note(note);
    return p ? "ok " + std::to_string(p->signatures.size()) : std::string(p.error().message());
  }
  if (what == "cosigner_keys") {
    const std::string key = test_support::Cosigner{"w.example", test_support::Ed25519Signer(9)}.verifier_key();
    const std::vector<std::string_view> keys(n, key);
    auto r = checkpoint::verify_cosigned(test_support::sign_note(body, {&log}),
                                         {*note::parse_verifier_key(log.verifier_key())}, keys, 0, 0);
    return r ? "ok " + std::to_string(n) : std::string(r.error().message());
  }
  if (what == "mldsa_origin_bytes") {  // an ML-DSA-44 cosignature on a checkpoint whose origin has n bytes
    const std::string origin(n, 'o');
    const NoteKey n_log = NoteKey::ed25519(origin, 1);
    const test_support::Cosigner w{"w.example", test_support::MlDsa44Signer(2)};
    const Bytes root(32, 0);
    const std::string note = test_support::sign_note(test_support::checkpoint_body(origin, 1, root), {&n_log}) +
                             w.line(w.cosign(origin, 1, root, {}, 1));
    const std::string key = w.verifier_key();
    auto r = checkpoint::verify_cosigned(note, {*note::parse_verifier_key(n_log.verifier_key())}, {key}, 1, 0);
    return r ? "ok " + std::to_string(r->origin.size()) : std::string(r.error().message());
  }
  return "unknown input " + what;
}

// The text in a heap block of exactly its size, so that a parser reading one
// byte past either end is caught by the address sanitizer (a std::string has a
// terminator there).
struct Exact {
  explicit Exact(const std::string& s) : bytes(std::make_unique<char[]>(s.size())), size(s.size()) {
    std::copy(s.begin(), s.end(), bytes.get());
  }
  std::string_view view() const { return {bytes.get(), size}; }
  std::unique_ptr<char[]> bytes;
  size_t size;
};

std::string unescape(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    const char c = s[++i];
    if (c == 'x') {
      out += static_cast<char>(std::stoi(std::string(s.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
    }
  }
  return out;
}

std::string hex(ByteView b) {
  std::string s;
  for (uint8_t x : b) s += "0123456789abcdef"[x >> 4], s += "0123456789abcdef"[x & 15];
  return s;
}

Bytes unhex(std::string_view s) {
  Bytes out;
  for (size_t i = 0; i + 1 < s.size(); i += 2) out.push_back(std::stoi(std::string(s.substr(i, 2)), nullptr, 16));
  return out;
}

std::string id8(uint32_t v) {
  char buf[9];
  std::snprintf(buf, sizeof buf, "%08x", v);
  return buf;
}

template <class R, class F>
std::string show(const R& r, F render) {
  if (!r) {
    if constexpr (requires { r.error().detail(); }) {
      return r.error().detail();
    } else {
      return std::string(r.error().message());
    }
  }
  const std::string s = render(*r);
  return s.empty() ? "ok" : "ok " + s;
}

template <class W>
std::string lifted(const Args& a, std::function<std::string(const ffi::LiftValue<W>&)> render) {
  const Bytes buf = unhex(a[0]);
  return show(ffi::lift<W>(buf), render);
}

std::string ladder(const std::vector<uint64_t>& entries) {
  std::string s = "ok ";
  for (uint64_t e : entries) s += std::to_string(e) + ",";
  return s.substr(0, s.size() - 1);
}

std::string paths(const std::vector<tiles::TileId>& ids) {
  std::string s;
  for (const auto& id : ids) s += (s.empty() ? "" : " ") + tiles::format_tile_path(id);
  return s.empty() ? "none" : s;
}

uint64_t u64(const std::string& s) { return std::stoull(s); }

std::string join(const std::vector<std::string>& parts) {
  std::string s;
  for (const auto& p : parts) s += "|" + p;
  return s;
}

const std::map<std::string, std::function<std::string(const Args&)>>& functions() {
  static const std::map<std::string, std::function<std::string(const Args&)>> fns = {
      {"base64_decode", [](const Args& a) { return show(encoding::base64_decode(Exact(a[0]).view()), hex); }},
      {"base64_encode", [](const Args& a) { return "ok " + encoding::base64_encode(unhex(a[0])); }},
      {"hex_decode", [](const Args& a) { return show(encoding::hex_decode(Exact(a[0]).view()), hex); }},
      {"decode_token", [](const Args& a) { return show(crypto::decode_token(Exact(a[0]).view()), hex); }},
      {"context_label",
       [](const Args& a) {
         return show(context::parse_context_label(a[0]),
                     [&](const auto& l) { return (l.text == a[0] ? "v" : "text? v") + std::to_string(l.version); });
       }},
      {"context_hash",
       [](const Args& a) { return "ok " + hex(context::sha3_512_with_context(as_bytes(a[0]), as_bytes(a[1]))); }},
      {"namespace", [](const Args& a) { return show(context::validate_namespace(a[0]), [](const auto&) { return ""; }); }},
      {"quote",
       [](const Args& a) {
         const std::string q = quote(a[0]);
         return utf8::validate(q) ? "not utf-8: " + q : q;
       }},
      {"quote_repeat",
       [](const Args& a) {
         // quote(a0 + a1 repeated a2 times), each run of four or more quoted a1 shown as <a1*N>.
         std::string in = a[0];
         for (int i = std::stoi(a[2]); i > 0; --i) in += a[1];
         const std::string q = quote(in), u = quote(a[1]).substr(1, quote(a[1]).size() - 2);
         std::string out;
         for (size_t i = 0; i < q.size();) {
           size_t n = 0;
           while (i + (n + 1) * u.size() <= q.size() && q.compare(i + n * u.size(), u.size(), u) == 0) ++n;
           if (n >= 4) out += "<" + u + "*" + std::to_string(n) + ">", i += n * u.size();
           else out += q[i++];
         }
         return out;
       }},
      {"utf8", [](const Args& a) { auto bad = utf8::validate(a[0]); return bad ? utf8::describe(*bad) : "ok"; }},
      {"escaped",
       [](const Args& a) { return needs_unicode_escape(std::stoul(a[0], nullptr, 16)) ? "yes" : "no"; }},
      {"key_name", [](const Args& a) { return note::is_valid_key_name(a[0]) ? "ok" : "invalid"; }},
      {"verifier_key",
       [](const Args& a) {
         return show(note::parse_verifier_key(a[0]), [](const note::VerifierKey& k) {
           return std::string(k.name) + (k.kind == note::VerifierKeyKind::Ed25519 ? "|ed25519|" : "|composite|") + hex(k.key) +
                  "|" + id8(k.key_id);
         });
       }},
      {"signed_note",
       [](const Args& a) {
         return show(note::parse_signed_note(a[0]), [](const note::SignedNote& n) {
           std::vector<std::string> sigs;
           for (const auto& s : n.signatures) sigs.push_back(std::string(s.name) + " " + id8(s.key_id) + " " + hex(ByteView(*encoding::base64_decode(s.blob)).subspan(4)));
           return std::string(n.text) + join(sigs);
         });
       }},
      {"checkpoint_body",
       [](const Args& a) {
         return show(checkpoint::parse_checkpoint_body(a[0]), [](const checkpoint::CheckpointHead& h) {
           return h.origin + "|" + std::to_string(h.size) + "|" + hex(h.root) + join(h.extensions);
         });
       }},
      {"classify",
       [](const Args& a) {
         auto c = crypto::classify_signature_type(static_cast<uint8_t>(std::stoul(a[0], nullptr, 16)));
         return c ? "ok " + std::to_string(static_cast<int>(c->suite)) + " " + std::to_string(c->level) : "none";
       }},
      {"signature",
       [](const Args& a) {
         auto r = crypto::verify_signature(as_bytes(a[0]), as_bytes(a[1]), a[2], a[3]);
         return r ? (*r ? "ok true" : "ok false") : r.error().message();
       }},
      {"lift_bytes", [](const Args& a) { return lifted<ffi::wire::ByteList>(a, [](const auto& v) { return hex(v); }); }},
      {"lift_byte_lists",
       [](const Args& a) {
         return lifted<ffi::wire::List<ffi::wire::ByteList>>(a, [](const auto& v) {
           std::vector<std::string> items;
           for (const auto& b : v) items.push_back(hex(b));
           return std::to_string(v.size()) + join(items);
         });
       }},
      {"lift_strings",
       [](const Args& a) {
         return lifted<ffi::wire::List<ffi::wire::String>>(a, [](const auto& v) {
           return std::to_string(v.size()) + join(std::vector<std::string>(v.begin(), v.end()));
         });
       }},
      {"lift_tiles",
       [](const Args& a) {
         return lifted<ffi::wire::List<ffi::wire::Tile>>(a, [](const auto& v) {
           std::vector<std::string> items;
           for (const auto& t : v) items.push_back(std::string(t.path) + "=" + hex(t.data));
           return std::to_string(v.size()) + join(items);
         });
       }},
      {"lift_optional",
       [](const Args& a) {
         return lifted<ffi::wire::Optional<ffi::wire::ByteList>>(
             a, [](const auto& v) { return v ? "some " + hex(*v) : std::string("none"); });
       }},
      {"lift_commitment_hash",
       [](const Args& a) {
         return lifted<ffi::wire::Enum<CommitmentHash>>(
             a, [](const auto& v) { return std::to_string(static_cast<int>(v)); });
       }},
      {"search_ladder", [](const Args& a) { return ladder(keytrans::search_ladder(std::stoul(a[0]))); }},
      {"monitoring_ladder", [](const Args& a) { return ladder(keytrans::monitoring_ladder(std::stoul(a[0]))); }},
      {"kt_commit",  // suite id, context, label, version, value, opening
       [](const Args& a) {
         auto ctx = keytrans::resolve_suite(std::stoul(a[0], nullptr, 16), as_bytes(a[1]), {});
         if (!ctx) return std::string(ctx.error().message());
         return show(keytrans::commit(*ctx, as_bytes(a[2]), std::stoul(a[3]), unhex(a[4]), unhex(a[5])), hex);
       }},
      {"many", [](const Args& a) { return many(a[0], std::stoull(a[1])); }},
      {"tlog_policy",
       [](const Args& a) {
         return show(checkpoint::parse_tlog_policy(Exact(a[0]).view()), [](const checkpoint::TlogPolicy& p) {
           const auto& w = p.witnesses;
           auto name = [&](const checkpoint::WitnessRule::Member& m) {
             return m.group ? w.groups[m.index].name : w.witnesses[m.index];
           };
           std::string logs, witnesses, groups;
           for (const auto& k : p.logs) logs += (logs.empty() ? "" : ",") + std::string(k.name);
           for (const auto& n : w.witnesses) witnesses += (witnesses.empty() ? "" : ",") + n;
           for (const auto& g : w.groups) {
             std::string members;
             for (size_t i = g.first; i < g.first + g.count; ++i) {
               members += (members.empty() ? "" : ",") + name(w.members[i]);
             }
             groups += (groups.empty() ? "" : ";") + g.name + ":" + std::to_string(g.k) + ":" + members;
           }
           return logs + "|" + witnesses + "|" + groups + "|" + checkpoint::quorum_name(p);
         });
       }},
      {"tile_path",  // parse, then format back to the same text
       [](const Args& a) {
         return show(tiles::parse_tile_path(a[0]), [&](const tiles::TileId& id) {
           const std::string back = tiles::format_tile_path(id);
           return std::to_string(id.level) + " " + std::to_string(id.index) + " " + std::to_string(id.width) +
                  (back == a[0] ? "" : " formats as " + back);
         });
       }},
      {"tile_width", [](const Args& a) { return std::to_string(tiles::tile_width(u64(a[0]), std::stoi(a[1]), u64(a[2]))); }},
      {"tiles_for_inclusion", [](const Args& a) { return show(tiles::tiles_for_inclusion(u64(a[0]), u64(a[1])), paths); }},
      {"tiles_for_consistency",
       [](const Args& a) { return show(tiles::tiles_for_consistency(u64(a[0]), u64(a[1])), paths); }},
      {"tiles_for_tree_hash", [](const Args& a) { return paths(tiles::tiles_for_tree_hash(u64(a[0]))); }},
      {"proof_from_no_tiles",  // inclusion SIZE INDEX or consistency OLD NEW, computed with no tile given
       [](const Args& a) {
         const tiles::TileSet none = *tiles::TileSet::build({});
         auto p = a[0] == "inclusion" ? tiles::inclusion_proof(none, u64(a[1]), u64(a[2]))
                                      : tiles::consistency_proof(none, u64(a[1]), u64(a[2]));
         return show(p, [](const auto& hashes) { return std::to_string(hashes.size()) + " hashes"; });
       }},
      {"bundle_leaf_hashes",
       [](const Args& a) {
         return show(tiles::bundle_leaf_hashes(unhex(a[0])), [](const Bytes& b) { return std::to_string(b.size() / 32); });
       }},
      {"lift_text", [](const Args& a) { return lifted<ffi::wire::Text>(a, [](const auto& v) { return hex(as_bytes(v)); }); }},
  };
  return fns;
}

TEST(Tables, EveryCase) {
  size_t cases = 0;
  for (const auto& entry : std::filesystem::directory_iterator(SILVANTROPE_TABLES_DIR)) {
    std::ifstream in(entry.path());
    std::string line;
    for (size_t number = 1; std::getline(in, line); ++number) {
      if (line.empty() || line[0] == '#') continue;
      Args fields;
      for (size_t start = 0, tab;; start = tab + 1) {
        tab = line.find('\t', start);
        fields.push_back(unescape(line.substr(start, tab - start)));
        if (tab == std::string::npos) break;
      }
      const std::string where = entry.path().filename().string() + ":" + std::to_string(number);
      auto fn = functions().find(fields[0]);
      ASSERT_TRUE(fn != functions().end() && fields.size() >= 3) << where;
      const std::string want = fields.back();
      EXPECT_EQ(fn->second(Args(fields.begin() + 1, fields.end() - 1)), want) << where;
      ++cases;
    }
  }
  EXPECT_GT(cases, 300u);
}

}  // namespace
}  // namespace silvantrope
