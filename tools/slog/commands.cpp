#include "commands.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>

#include "abi_client.h"
#include "options.h"
#include "tlog.h"

namespace slog {
namespace {

using slog_client::Bytes;
using slog_client::Outcome;

const char* kUsage =
    "usage: slog COMMAND [OPTIONS]\n"
    "\n"
    "Verifies transparency-log data with libsilvantrope_log.\n"
    "\n"
    "commands:\n"
    "  inclusion     verify an RFC 6962 inclusion proof\n"
    "  consistency   verify an RFC 6962 consistency proof\n"
    "  key-history   compute a key-history entry's canonical bytes or hashes\n"
    "  note          verify a signed note against trusted verifier keys\n"
    "  checkpoint    verify a signed checkpoint, and proofs against it\n"
    "  commitment    check that a commitment opens to a value\n"
    "  coniks        verify a CONIKS directory lookup or absence proof\n"
    "  policy        verify a signed namespace policy, or check observations against it\n"
    "  keytrans      verify a KEYTRANS search, fixed-version or monitoring proof\n"
    "  tlog-proof    verify a C2SP tlog-proof@v1 file against a tlog-policy\n"
    "  policy-file   check and summarise a C2SP tlog-policy file\n"
    "  samples       verify every sample in a directory (default: samples)\n"
    "\n"
    "Every command takes --json for machine-readable output and --help.\n"
    "Exit status: 0 valid, 1 verification failed, 2 usage or internal error.\n";

const char* kInclusionHelp =
    "usage: slog inclusion --index N --size N --leaf HEX --root HEX\n"
    "                      [--proof HEX[,HEX...]]... [--proof-file FILE] [--json]\n"
    "\n"
    "Checks that the leaf hash (32 bytes, already hashed as SHA-256(0x00 || data))\n"
    "is at --index in the tree of --size leaves whose root is --root. The proof is\n"
    "the audit path from the leaf upward: repeated or comma-separated --proof\n"
    "values, or a file with one hash per line (# starts a comment).\n";

const char* kConsistencyHelp =
    "usage: slog consistency --size1 N --size2 N --root1 HEX --root2 HEX\n"
    "                        [--proof HEX[,HEX...]]... [--proof-file FILE] [--json]\n"
    "\n"
    "Checks that the tree of --size2 leaves with --root2 is an append-only\n"
    "extension of the tree of --size1 leaves with --root1.\n";

const char* kKeyHistoryHelp =
    "usage: slog key-history canonical-bytes|entry-hash|leaf-hash\n"
    "                        --seq N --ts-ms N --enc-x25519 HEX --enc-pq HEX\n"
    "                        --signing-pub HEX [--prev HEX] [--context LABEL] [--json]\n"
    "\n"
    "Prints, in hex, a key-history entry's canonical Layer-0 bytes, its SHA3-512\n"
    "entry hash (under \"tarnwyk/key-history/v1\" or the --context label), or its\n"
    "RFC 6962 leaf hash. Without --prev the entry is a genesis entry.\n";

const char* kNoteHelp =
    "usage: slog note --note FILE (--key KEY)... [--key-file FILE] [--json]\n"
    "\n"
    "Verifies a C2SP signed note against trusted verifier keys (name+id+base64,\n"
    "plain Ed25519 or composite ML-DSA keys) and prints how many trusted\n"
    "signature lines verified. Signatures from unknown keys are ignored; a bad\n"
    "signature from a trusted key fails the note.\n";

const char* kCheckpointHelp =
    "usage: slog checkpoint --note FILE (--key KEY)... [--key-file FILE] [--json]\n"
    "       slog checkpoint --note FILE --key KEY... --inclusion --index N --leaf HEX\n"
    "                       [--proof HEX[,HEX...]]... [--proof-file FILE]\n"
    "       slog checkpoint --note OLDER --key KEY... --consistency NEWER\n"
    "                       [--proof HEX[,HEX...]]... [--proof-file FILE]\n"
    "       slog checkpoint --note FILE --key KEY... (--cosigner-key KEY)...\n"
    "                       [--cosigner-key-file FILE] --quorum N [--not-before T]\n"
    "       slog checkpoint --policy FILE [--not-before T] NOTE\n"
    "       slog checkpoint --body FILE [--json]\n"
    "\n"
    "Verifies a signed C2SP checkpoint and prints its origin, size, root and\n"
    "extension lines; with --inclusion, also checks that the leaf hash is at\n"
    "--index of the checkpoint's tree; with --consistency, verifies the newer\n"
    "checkpoint too and checks the consistency proof from the older tree to it.\n"
    "--body parses an already-trusted checkpoint body without any signature.\n"
    "--quorum requires N distinct witnesses (C2SP tlog-cosignature keys, type\n"
    "0x04 Ed25519 or 0x06 ML-DSA-44) to have cosigned the checkpoint at or after\n"
    "--not-before T (POSIX seconds, default 0); every cosignature from a listed\n"
    "witness must verify. No clock is read: future timestamps are your concern.\n"
    "--policy verifies the checkpoint against a C2SP tlog-policy file instead:\n"
    "a policy log whose key name is the origin must sign it, and its witnesses\n"
    "must cosign it as the quorum demands (see slog tlog-proof --help).\n";

const char* kCommitmentHelp =
    "usage: slog commitment --context TEXT --commitment HEX --value HEX --opening HEX [--json]\n"
    "\n"
    "Checks that the 64-byte commitment is SHA3-512 over the context's 8-byte\n"
    "length, the context, the 32-byte opening and the value.\n";

const char* kConiksHelp =
    "usage: slog coniks lookup|absence --namespace NS --vrf-public HEX --root HEX\n"
    "                  (--identity HEX | --identity-text TEXT)\n"
    "                  (--proof HEX | --proof-file FILE) [--json]\n"
    "\n"
    "lookup verifies that the identity is in the CONIKS directory whose 64-byte\n"
    "root is --root and prints its value; absence verifies that it is not.\n"
    "The VRF key (32 bytes) maps the identity to its place in the tree. A proof\n"
    "file holds the proof in hex (whitespace is ignored).\n";

const char* kPolicyHelp =
    "usage: slog policy (--envelope FILE | --envelope-hex HEX) [--json]\n"
    "       slog policy (--envelope FILE | --envelope-hex HEX)\n"
    "                   [--expect-key TOKEN | --expect-key-file FILE]\n"
    "                   [--expect-signature TOKEN | --expect-signature-file FILE]\n"
    "                   [--expect-vrf-suite ID] [--expect-commitment-hash Sha3_256|Sha3_512|INDEX]\n"
    "                   [--expect-backend ID] [--json]\n"
    "\n"
    "Verifies a SignedPolicy envelope (a file of its raw bytes) and prints the\n"
    "posture it declares, with the policy hash and the RFC 6962 leaf hash.\n"
    "The signature only shows that the envelope is consistent under the key it\n"
    "carries: trust the policy once its leaf hash is in a policy log you trust.\n"
    "\n"
    "With --expect-* options, checks what was observed in the namespace's\n"
    "traffic against the declared posture instead, in the order above, and\n"
    "reports the first mismatch: a checkpoint key or signature token (a FILE\n"
    "holds the token text), a VRF suite id, a commitment hash (by name, or any\n"
    "CommitmentHash index as sent on the wire), a directory backend id\n"
    "(0x0001 CONIKS, 0xf004 KEYTRANS). IDs are decimal or 0x-prefixed hex.\n";

const char* kKeytransHelp =
    "usage: slog keytrans search|fixed|monitor --context TEXT --vrf-public HEX --root HEX\n"
    "                    (--label HEX | --label-text TEXT) (--proof HEX | --proof-file FILE)\n"
    "                    [--suite ID] [--json]\n"
    "\n"
    "Verifies a KEYTRANS proof for the label against the 32-byte combined-tree\n"
    "root: search prints the label's greatest version's value or that it is\n"
    "absent, fixed prints the value of the version the proof shows (or absent),\n"
    "monitor checks that the monitored version and its ladder are all present.\n"
    "--suite is 0x0001 (KT_128_SHA256_P256), 0x0002 (KT_128_SHA256_Ed25519) or\n"
    "0xf000 (the experimental SilvantropeHybridExp, the default, under which\n"
    "--context binds the commitments). A proof file holds the proof in hex.\n";

const char* kSamplesHelp =
    "usage: slog samples [DIR] [--json]\n"
    "\n"
    "Runs every DIR/*.sample file. A sample holds the arguments of one slog\n"
    "command (over any number of lines; # starts a comment; file names are\n"
    "relative to DIR) and one 'expect: LINE' per line of the output that the\n"
    "command must print. A file may hold several samples, one after another.\n";

std::string json_string(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

Verdict help(const char* text) { return {0, text, false}; }

// A verification outcome as text or JSON.
Verdict verdict(const std::string& command, const Outcome& o, bool json) {
  Verdict v;
  v.json = json;
  v.exit_code = o.code == 0 ? 0 : o.code == 1 ? 1 : 2;
  if (json) {
    v.output = "{\"command\":" + json_string(command) + ",\"valid\":" + (o.ok() ? "true" : "false");
    if (o.code == 1) v.output += ",\"error\":" + json_string(o.message);
    if (o.code >= 2) v.output += ",\"internal_error\":" + json_string(o.message);
    v.output += "}";
  } else if (o.ok()) {
    v.output = "valid";
  } else {
    v.output = (o.code == 1 ? "invalid: " : "error: ") + o.message;
  }
  return v;
}

Verdict inclusion(const std::vector<std::string>& args) {
  Options opt(args, {"index", "size", "leaf", "root", "proof", "proof-file"});
  if (opt.help()) return help(kInclusionHelp);
  // Read in argument order, so the first bad option is the one reported.
  const uint64_t index = opt.number("index"), size = opt.number("size");
  const Bytes leaf = opt.hex("leaf");
  const auto proof = opt.hex_list("proof");
  const Bytes root = opt.hex("root");
  Outcome o = slog_client::verify_inclusion(index, size, leaf, proof, root);
  return verdict("inclusion", o, opt.json());
}

Verdict consistency(const std::vector<std::string>& args) {
  Options opt(args, {"size1", "size2", "root1", "root2", "proof", "proof-file"});
  if (opt.help()) return help(kConsistencyHelp);
  const uint64_t size1 = opt.number("size1"), size2 = opt.number("size2");
  const auto proof = opt.hex_list("proof");
  const Bytes root1 = opt.hex("root1"), root2 = opt.hex("root2");
  Outcome o = slog_client::verify_consistency(size1, size2, proof, root1, root2);
  return verdict("consistency", o, opt.json());
}

Verdict key_history(const std::vector<std::string>& args) {
  Options opt(args, {"seq", "ts-ms", "enc-x25519", "enc-pq", "signing-pub", "prev", "context"});
  if (opt.help()) return help(kKeyHistoryHelp);
  using slog_client::KeyHistoryOutput;
  const std::map<std::string, KeyHistoryOutput> outputs = {
      {"canonical-bytes", KeyHistoryOutput::CanonicalBytes},
      {"entry-hash", KeyHistoryOutput::EntryHash},
      {"leaf-hash", KeyHistoryOutput::LeafHash},
  };
  if (opt.positional().size() != 1 || !outputs.count(opt.positional()[0])) {
    throw UsageError("key-history needs one of canonical-bytes, entry-hash, leaf-hash");
  }
  const KeyHistoryOutput what = outputs.at(opt.positional()[0]);
  const auto context = opt.optional_text("context");
  if (context && what != KeyHistoryOutput::EntryHash) {
    throw UsageError("--context applies to entry-hash only");
  }
  slog_client::KeyHistoryEntry e;
  e.seq = opt.number("seq");
  e.ts_ms = opt.number("ts-ms");
  e.enc_x25519 = opt.hex("enc-x25519");
  e.enc_pq = opt.hex("enc-pq");
  e.signing_pub = opt.hex("signing-pub");
  e.prev_entry_hash = opt.optional_hex("prev");
  Bytes result;
  Outcome o = slog_client::key_history(what, e, context, result);
  if (!o.ok()) return verdict("key-history", o, opt.json());
  const std::string hex = slog_client::hex(result);
  if (opt.json()) {
    return {0, "{\"command\":\"key-history\",\"output\":" + json_string(opt.positional()[0]) +
                   ",\"result\":" + json_string(hex) + "}", true};
  }
  return {0, hex, false};
}

Verdict note(const std::vector<std::string>& args) {
  Options opt(args, {"note", "key", "key-file"});
  if (opt.help()) return help(kNoteHelp);
  const std::string text = opt.file("note");
  uint32_t count = 0;
  Outcome o = slog_client::verify_signed_note(text, opt.text_list("key"), count);
  if (!o.ok()) return verdict("note", o, opt.json());
  if (opt.json()) {
    return {0, "{\"command\":\"note\",\"valid\":true,\"verified\":" + std::to_string(count) + "}",
            true};
  }
  return {0, "valid: " + std::to_string(count) + " trusted signature" + (count == 1 ? "" : "s"), false};
}

std::string describe_head(const slog_client::CheckpointHead& h, bool json) {
  if (json) {
    std::string ext;
    for (const std::string& e : h.extensions) ext += (ext.empty() ? "" : ",") + json_string(e);
    return "\"origin\":" + json_string(h.origin) + ",\"size\":" + std::to_string(h.size) +
           ",\"root\":" + json_string(slog_client::hex(h.root)) + ",\"extensions\":[" + ext + "]";
  }
  std::string out = "origin: " + h.origin + "\nsize: " + std::to_string(h.size) +
                    "\nroot: " + slog_client::hex(h.root);
  for (const std::string& e : h.extensions) out += "\nextension: " + e;
  return out;
}

Outcome checkpoint_cosigned(const Options& opt, const std::string& text, const std::vector<std::string>& keys,
                            slog_client::CheckpointHead& head) {
  const uint64_t quorum = opt.number("quorum");
  if (quorum > UINT32_MAX) throw UsageError("--quorum is at most 4294967295");
  const uint64_t not_before = opt.has("not-before") ? opt.number("not-before") : 0;
  return slog_client::checkpoint_verify_cosigned(text, keys, opt.text_list("cosigner-key"),
                                                 static_cast<uint32_t>(quorum), not_before, head);
}

Verdict checkpoint(const std::vector<std::string>& args) {
  const bool with_policy = std::any_of(args.begin(), args.end(), [](const std::string& a) {
    return a == "--policy" || a.rfind("--policy=", 0) == 0;
  });
  if (with_policy && std::find(args.begin(), args.end(), "--help") == args.end()) return checkpoint_policy(args);
  Options opt(args,
              {"note", "key", "key-file", "index", "leaf", "proof", "proof-file", "consistency", "body",
               "cosigner-key", "cosigner-key-file", "quorum", "not-before"},
              {"inclusion"});
  if (opt.help()) return help(kCheckpointHelp);
  slog_client::CheckpointHead head;
  if (opt.has("body")) {
    Outcome o = slog_client::checkpoint_parse(opt.file("body"), head);
    if (!o.ok()) return verdict("checkpoint", o, opt.json());
    if (opt.json()) return {0, "{\"command\":\"checkpoint\",\"valid\":true," + describe_head(head, true) + "}", true};
    return {0, "parsed\n" + describe_head(head, false), false};
  }
  const std::string text = opt.file("note");
  const std::vector<std::string> keys = opt.text_list("key");
  if (opt.flag("inclusion") && opt.has("consistency")) {
    throw UsageError("--inclusion and --consistency exclude each other");
  }
  if (opt.flag("inclusion")) {
    const uint64_t index = opt.number("index");
    const Bytes leaf = opt.hex("leaf");
    const auto proof = opt.hex_list("proof");
    return verdict("checkpoint", slog_client::checkpoint_verify_inclusion(text, keys, index, leaf, proof),
                   opt.json());
  }
  if (opt.has("consistency")) {
    const std::string newer = opt.file("consistency");
    const auto proof = opt.hex_list("proof");
    return verdict("checkpoint", slog_client::checkpoint_verify_consistency(text, newer, keys, proof),
                   opt.json());
  }
  Outcome o = opt.has("quorum") ? checkpoint_cosigned(opt, text, keys, head)
                                 : slog_client::checkpoint_verify(text, keys, head);
  if (!o.ok()) return verdict("checkpoint", o, opt.json());
  if (opt.json()) return {0, "{\"command\":\"checkpoint\",\"valid\":true," + describe_head(head, true) + "}", true};
  return {0, "valid\n" + describe_head(head, false), false};
}

Verdict commitment(const std::vector<std::string>& args) {
  Options opt(args, {"context", "commitment", "value", "opening"});
  if (opt.help()) return help(kCommitmentHelp);
  const std::string context = opt.text("context");
  const Bytes c = opt.hex("commitment"), value = opt.hex("value"), opening = opt.hex("opening");
  return verdict("commitment", slog_client::verify_commitment(context, c, value, opening), opt.json());
}

// Hex from --NAME, or from the file named by --NAME-file with whitespace removed.
Bytes hex_argument(const Options& opt, const std::string& name) {
  if (!opt.has(name + "-file")) return opt.hex(name);
  std::string text = opt.file(name + "-file");
  text.erase(std::remove_if(text.begin(), text.end(), [](unsigned char c) { return std::isspace(c); }),
             text.end());
  return parse_hex(opt.text(name + "-file"), text);
}

Verdict coniks(const std::vector<std::string>& args) {
  Options opt(args, {"namespace", "vrf-public", "root", "identity", "identity-text", "proof", "proof-file"});
  if (opt.help()) return help(kConiksHelp);
  if (opt.positional().size() != 1 || (opt.positional()[0] != "lookup" && opt.positional()[0] != "absence")) {
    throw UsageError("coniks needs one of lookup, absence");
  }
  const bool is_lookup = opt.positional()[0] == "lookup";
  const std::string ns = opt.text("namespace");
  const Bytes key = opt.hex("vrf-public"), root = opt.hex("root");
  Bytes identity;
  if (auto t = opt.optional_text("identity-text")) {
    identity.assign(t->begin(), t->end());
  } else {
    identity = opt.hex("identity");
  }
  const Bytes proof = hex_argument(opt, "proof");
  if (!is_lookup) return verdict("coniks", slog_client::coniks_verify_absence(ns, key, root, identity, proof), opt.json());
  Bytes value;
  Outcome o = slog_client::coniks_verify_lookup(ns, key, root, identity, proof, value);
  if (!o.ok()) return verdict("coniks", o, opt.json());
  if (opt.json()) {
    return {0, "{\"command\":\"coniks\",\"valid\":true,\"value\":" + json_string(slog_client::hex(value)) + "}",
            true};
  }
  return {0, value.empty() ? "valid: empty value" : "valid: value " + slog_client::hex(value), false};
}

// A decimal or 0x-prefixed hexadecimal id no larger than max.
uint64_t id_argument(const Options& opt, const std::string& name, uint64_t max) {
  const std::string s = opt.text(name);
  const bool is_hex = s.rfind("0x", 0) == 0;
  const std::string digits = is_hex ? s.substr(2) : s;
  const char* allowed = is_hex ? "0123456789abcdefABCDEF" : "0123456789";
  if (digits.empty() || digits.size() > 8 || digits.find_first_not_of(allowed) != std::string::npos ||
      std::stoull(digits, nullptr, is_hex ? 16 : 10) > max) {
    throw UsageError("--" + name + " must be an id from 0 to " + std::to_string(max) + ", got '" + s + "'");
  }
  return std::stoull(digits, nullptr, is_hex ? 16 : 10);
}

Verdict keytrans(const std::vector<std::string>& args) {
  Options opt(args, {"context", "vrf-public", "root", "label", "label-text", "proof", "proof-file", "suite"});
  if (opt.help()) return help(kKeytransHelp);
  using slog_client::KeytransProof;
  const std::map<std::string, KeytransProof> kinds = {
      {"search", KeytransProof::Search}, {"fixed", KeytransProof::FixedVersion}, {"monitor", KeytransProof::Monitor}};
  if (opt.positional().size() != 1 || !kinds.count(opt.positional()[0])) {
    throw UsageError("keytrans needs one of search, fixed, monitor");
  }
  const KeytransProof kind = kinds.at(opt.positional()[0]);
  std::optional<uint16_t> suite;
  if (opt.has("suite")) suite = static_cast<uint16_t>(id_argument(opt, "suite", 0xffff));
  Bytes label;
  if (auto t = opt.optional_text("label-text")) {
    label.assign(t->begin(), t->end());
  } else {
    label = opt.hex("label");
  }
  slog_client::SearchResult result;
  const Outcome o = slog_client::keytrans_verify(kind, suite, opt.text("context"), opt.hex("vrf-public"),
                                                 opt.hex("root"), label, hex_argument(opt, "proof"), result);
  if (!o.ok() || kind == KeytransProof::Monitor) return verdict("keytrans", o, opt.json());
  const std::string value = result.value ? slog_client::hex(*result.value) : "";
  if (opt.json()) {
    return {0, std::string("{\"command\":\"keytrans\",\"valid\":true,\"present\":") +
                   (result.present ? "true" : "false") + ",\"value\":" + (result.value ? json_string(value) : "null") + "}",
            true};
  }
  if (!result.present) return {0, "valid: absent", false};
  return {0, value.empty() ? "valid: present, empty value" : "valid: present, value " + value, false};
}

// Sha3_256 and Sha3_512 by name; anything else as a raw signed index.
int32_t commitment_hash_argument(const Options& opt) {
  const std::string s = opt.text("expect-commitment-hash");
  for (size_t i = 0; i < slog_client::kCommitmentHashes.size(); ++i) {
    if (s == slog_client::kCommitmentHashes[i]) return static_cast<int32_t>(i + 1);
  }
  try {
    size_t used = 0;
    const long v = std::stol(s, &used, 10);
    if (used == s.size() && v >= INT32_MIN && v <= INT32_MAX) return static_cast<int32_t>(v);
  } catch (const std::logic_error&) {
  }
  throw UsageError("--expect-commitment-hash must be Sha3_256, Sha3_512 or an index, got '" + s + "'");
}

std::string describe_posture(const slog_client::PolicyPosture& p, bool json) {
  using namespace slog_client;
  const std::vector<std::pair<std::string, std::string>> fields = {
      {"namespace", p.namespace_},
      {"policy_schema_version", std::to_string(p.policy_schema_version)},
      {"security_level", enum_name(kSecurityLevels, p.security_level)},
      {"checkpoint_suite", enum_name(kCheckpointSuites, p.checkpoint_suite)},
      {"commitment_hash", enum_name(kCommitmentHashes, p.commitment_hash)},
      {"vrf_mode", enum_name(kVrfModes, p.vrf_mode)},
      {"directory_mode", enum_name(kDirectoryModes, p.directory_mode)},
      {"keytrans_suite", enum_name(kKeytransSuites, p.keytrans_suite)},
      {"effective_from", std::to_string(p.effective_from)},
      {"created_at", std::to_string(p.created_at)},
      {"policy_hash", hex(p.policy_hash)},
      {"rfc6962_leaf_hash", hex(p.rfc6962_leaf_hash)},
  };
  std::string out;
  for (const auto& [name, value] : fields) {
    const bool number = name == "policy_schema_version" || name == "effective_from" || name == "created_at";
    out += json ? ",\"" + name + "\":" + (number ? value : json_string(value)) : "\n" + name + ": " + value;
  }
  return out;
}

Verdict policy(const std::vector<std::string>& args) {
  Options opt(args, {"envelope", "envelope-hex", "expect-key", "expect-key-file", "expect-signature",
                     "expect-signature-file", "expect-vrf-suite", "expect-commitment-hash", "expect-backend"});
  if (opt.help()) return help(kPolicyHelp);
  if (opt.has("envelope") == opt.has("envelope-hex")) throw UsageError("policy needs one of --envelope, --envelope-hex");
  const std::string raw = opt.has("envelope") ? opt.file("envelope") : std::string();
  const Bytes envelope = opt.has("envelope") ? Bytes(raw.begin(), raw.end()) : opt.hex("envelope-hex");

  // Every observation, read before any call so that a usage error comes first.
  std::vector<std::function<Outcome()>> checks;
  for (const char* kind : {"key", "signature"}) {
    const std::string name = std::string("expect-") + kind;
    if (opt.has(name) && opt.has(name + "-file")) throw UsageError("--" + name + " and --" + name + "-file exclude each other");
    if (!opt.has(name) && !opt.has(name + "-file")) continue;
    const std::string token = opt.has(name) ? opt.text(name) : opt.file(name + "-file");
    checks.push_back([&envelope, token, key = name == "expect-key"] {
      return key ? slog_client::policy_enforce_checkpoint_signing_key(envelope, token)
                 : slog_client::policy_enforce_checkpoint_signature(envelope, token);
    });
  }
  if (opt.has("expect-vrf-suite")) {
    const auto id = static_cast<uint8_t>(id_argument(opt, "expect-vrf-suite", 0xff));
    checks.push_back([&envelope, id] { return slog_client::policy_enforce_vrf_suite_id(envelope, id); });
  }
  if (opt.has("expect-commitment-hash")) {
    const int32_t index = commitment_hash_argument(opt);
    checks.push_back([&envelope, index] { return slog_client::policy_enforce_commitment_hash(envelope, index); });
  }
  if (opt.has("expect-backend")) {
    const auto id = static_cast<uint16_t>(id_argument(opt, "expect-backend", 0xffff));
    checks.push_back([&envelope, id] { return slog_client::policy_enforce_directory_backend(envelope, id); });
  }
  if (!checks.empty()) {
    Outcome o;
    for (const auto& check : checks) {
      if (!(o = check()).ok()) break;
    }
    return verdict("policy", o, opt.json());
  }

  slog_client::PolicyPosture posture;
  Outcome o = slog_client::signed_policy_verify(envelope, posture);
  if (!o.ok()) return verdict("policy", o, opt.json());
  if (opt.json()) return {0, "{\"command\":\"policy\",\"valid\":true" + describe_posture(posture, true) + "}", true};
  return {0, "valid" + describe_posture(posture, false), false};
}

Verdict samples(const std::vector<std::string>& args) {
  Options opt(args, {});
  if (opt.help()) return help(kSamplesHelp);
  if (opt.positional().size() > 1) throw UsageError("samples takes at most one directory");
  return run_samples(opt.positional().empty() ? "samples" : opt.positional()[0], opt.json());
}

struct Sample {
  std::vector<std::string> args;
  std::string expect;
  size_t line = 0;  // where its command starts
};

// The samples of one file: each is its command's words, then its 'expect:' lines.
std::vector<Sample> read_samples(const std::filesystem::path& path) {
  std::ifstream in(path);
  if (!in) throw UsageError("cannot read " + path.string());
  std::vector<Sample> samples;
  Sample s;
  bool have_expect = false;
  std::string line;
  for (size_t number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("expect: ", 0) == 0) {
      if (s.args.empty()) break;
      s.expect += (have_expect ? "\n" : "") + line.substr(8);
      have_expect = true;
      continue;
    }
    std::istringstream words(line.substr(0, line.find('#')));
    for (std::string w; words >> w;) {
      if (have_expect) {
        samples.push_back(std::move(s));
        s = Sample{};
        have_expect = false;
      }
      if (s.args.empty()) s.line = number;
      s.args.push_back(w);
    }
  }
  if (s.args.empty() || !have_expect) {
    throw UsageError(path.string() + ": a sample needs a command and an 'expect:' line");
  }
  samples.push_back(std::move(s));
  return samples;
}

}  // namespace

Verdict run_samples(const std::string& dir, bool json) {
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    if (entry.path().extension() == ".sample") files.push_back(entry.path());
  }
  if (ec) throw UsageError("cannot read directory " + dir + ": " + ec.message());
  if (files.empty()) throw UsageError("no .sample files in " + dir);
  std::sort(files.begin(), files.end());

  std::ostringstream out, js;
  size_t passed = 0, failed = 0;
  js << "{\"samples\":[";
  // File names inside a sample are relative to its directory.
  const auto previous = std::filesystem::current_path();
  struct Restore {
    std::filesystem::path dir;
    ~Restore() {
      std::error_code ignored;
      std::filesystem::current_path(dir, ignored);
    }
  } restore{previous};
  for (auto& f : files) f = std::filesystem::absolute(f);
  std::filesystem::current_path(dir);

  for (const auto& f : files) {
    const std::vector<Sample> samples = read_samples(f);
    for (const Sample& s : samples) {
      const Verdict v = run(s.args);
      const bool ok = v.output == s.expect;
      ok ? ++passed : ++failed;
      std::string name = f.filename().string();
      if (samples.size() > 1) name += ":" + std::to_string(s.line);
      out << (ok ? "ok    " : "FAIL  ") << name << ": " << v.output << "\n";
      if (!ok) out << "      expected: " << s.expect << "\n";
      js << (passed + failed > 1 ? "," : "") << "{\"sample\":" << json_string(name)
         << ",\"ok\":" << (ok ? "true" : "false") << ",\"output\":" << json_string(v.output) << "}";
    }
  }
  out << passed << " passed, " << failed << " failed\n";
  js << "],\"passed\":" << passed << ",\"failed\":" << failed << "}";
  return {failed == 0 ? 0 : 1, json ? js.str() : out.str(), json};
}

Verdict run(const std::vector<std::string>& args) {
  const std::map<std::string, std::function<Verdict(const std::vector<std::string>&)>> commands = {
      {"inclusion", inclusion},
      {"consistency", consistency},
      {"key-history", key_history},
      {"note", note},
      {"checkpoint", checkpoint},
      {"commitment", commitment},
      {"coniks", coniks},
      {"policy", policy},
      {"keytrans", keytrans},
      {"samples", samples},
      {"tlog-proof", tlog_proof},
      {"policy-file", policy_file},
  };
  const bool json = std::find(args.begin(), args.end(), "--json") != args.end();
  if (args.empty() || args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
    if (args.size() > 1 && commands.count(args[1])) return run({args[1], "--help"});
    return {args.empty() ? 2 : 0, kUsage, false};
  }
  auto it = commands.find(args[0]);
  try {
    if (it == commands.end()) throw UsageError("unknown command '" + args[0] + "'");
    return it->second(std::vector<std::string>(args.begin() + 1, args.end()));
  } catch (const UsageError& e) {
    if (json) return {2, "{\"usage_error\":" + json_string(e.what()) + "}", true};
    return {2, std::string("slog: ") + e.what() + "\n(see slog --help)", false};
  } catch (const std::exception& e) {
    if (json) return {2, "{\"internal_error\":" + json_string(e.what()) + "}", true};
    return {2, std::string("slog: ") + e.what(), false};
  }
}

}  // namespace slog
