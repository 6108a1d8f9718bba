#include "tlog.h"

#include <openssl/evp.h>

#include <fstream>
#include <sstream>

#include "abi_client.h"
#include "options.h"

namespace slog {

const char* const kTlogProofHelp =
    "usage: slog tlog-proof --policy FILE (--leaf-hash HEX | --entry FILE)\n"
    "                       [--not-before T] [--json] PROOF\n"
    "\n"
    "Verifies a C2SP tlog-proof@v1 file offline: its checkpoint must be signed by\n"
    "a log of the C2SP tlog-policy FILE whose key name is the checkpoint's origin\n"
    "and cosigned as the policy's quorum demands, by cosignatures timestamped at\n"
    "or after --not-before T (POSIX seconds, default 0); then the entry must be\n"
    "included at the proof's index. The entry is given as its RFC 6962 leaf hash\n"
    "(32 bytes) or as a file whose bytes are hashed as a leaf. Prints the index,\n"
    "any extra data, the checkpoint and every witness that cosigned, with its\n"
    "timestamp. No clock is read: judge freshness from those timestamps.\n";

const char* const kPolicyFileHelp =
    "usage: slog policy-file [--json] FILE\n"
    "\n"
    "Checks a C2SP tlog-policy file and prints its logs (key names), witnesses,\n"
    "groups and quorum.\n";

namespace {

using slog_client::Bytes;
using slog_client::Outcome;

std::string read_path(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw UsageError("cannot read " + path);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// The one positional word a command takes.
std::string only_positional(const Options& opt, const std::string& what) {
  if (opt.positional().size() != 1) throw UsageError("expected exactly one " + what);
  return opt.positional()[0];
}

Bytes leaf_hash_of(const std::string& entry) {
  Bytes out(32);
  const uint8_t zero = 0;
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  const bool ok = ctx && EVP_DigestInit_ex(ctx, EVP_sha256(), nullptr) && EVP_DigestUpdate(ctx, &zero, 1) &&
                  EVP_DigestUpdate(ctx, entry.data(), entry.size()) && EVP_DigestFinal_ex(ctx, out.data(), nullptr);
  EVP_MD_CTX_free(ctx);
  if (!ok) throw std::runtime_error("SHA-256 failed");
  return out;
}

std::string json_text(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\', out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string json_list(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& s : items) out += (out.empty() ? "" : ",") + json_text(s);
  return "[" + out + "]";
}

Verdict failed(const std::string& command, const Outcome& o, bool json) {
  const int code = o.code == 1 ? 1 : 2;
  if (json) {
    return {code, "{\"command\":" + json_text(command) + ",\"valid\":false,\"" +
                      (o.code == 1 ? "error" : "internal_error") + "\":" + json_text(o.message) + "}",
            true};
  }
  return {code, (o.code == 1 ? "invalid: " : "error: ") + o.message, false};
}

std::string describe(const slog_client::VerifiedCheckpoint& v, bool json) {
  const auto& h = v.head;
  if (json) {
    std::string cs;
    for (const auto& c : v.cosignatures) {
      cs += std::string(cs.empty() ? "" : ",") + "{\"witness\":" + json_text(c.witness) +
            ",\"timestamp\":" + std::to_string(c.timestamp) + "}";
    }
    return "\"origin\":" + json_text(h.origin) + ",\"size\":" + std::to_string(h.size) + ",\"root\":" +
           json_text(slog_client::hex(h.root)) + ",\"extensions\":" + json_list(h.extensions) +
           ",\"cosignatures\":[" + cs + "]";
  }
  std::string out = "origin: " + h.origin + "\nsize: " + std::to_string(h.size) + "\nroot: " + slog_client::hex(h.root);
  for (const std::string& e : h.extensions) out += "\nextension: " + e;
  for (const auto& c : v.cosignatures) out += "\ncosigned: " + c.witness + " at " + std::to_string(c.timestamp);
  return out;
}

uint64_t not_before(const Options& opt) { return opt.has("not-before") ? opt.number("not-before") : 0; }

}  // namespace

Verdict tlog_proof(const std::vector<std::string>& args) {
  Options opt(args, {"policy", "leaf-hash", "entry", "not-before"});
  if (opt.help()) return {0, kTlogProofHelp, false};
  const std::string proof = read_path(only_positional(opt, "PROOF file"));
  const std::string policy = opt.file("policy");
  if (opt.has("leaf-hash") == opt.has("entry")) throw UsageError("tlog-proof needs one of --leaf-hash, --entry");
  const Bytes leaf = opt.has("entry") ? leaf_hash_of(opt.file("entry")) : opt.hex("leaf-hash");
  slog_client::VerifiedProof v;
  const Outcome o = slog_client::tlog_proof_verify(proof, policy, leaf, not_before(opt), v);
  if (!o.ok()) return failed("tlog-proof", o, opt.json());
  const std::string extra = v.extra ? slog_client::hex(*v.extra) : "";
  if (opt.json()) {
    return {0, "{\"command\":\"tlog-proof\",\"valid\":true,\"index\":" + std::to_string(v.index) +
                   ",\"extra\":" + (v.extra ? json_text(extra) : "null") + "," + describe(v.checkpoint, true) + "}",
            true};
  }
  return {0, "valid\nindex: " + std::to_string(v.index) + (v.extra ? "\nextra: " + extra : "") + "\n" +
                 describe(v.checkpoint, false),
          false};
}

Verdict checkpoint_policy(const std::vector<std::string>& args) {
  Options opt(args, {"policy", "not-before"});
  const std::string note = read_path(only_positional(opt, "NOTE file"));
  slog_client::VerifiedCheckpoint v;
  const Outcome o = slog_client::checkpoint_verify_policy(note, opt.file("policy"), not_before(opt), v);
  if (!o.ok()) return failed("checkpoint", o, opt.json());
  if (opt.json()) return {0, "{\"command\":\"checkpoint\",\"valid\":true," + describe(v, true) + "}", true};
  return {0, "valid\n" + describe(v, false), false};
}

Verdict policy_file(const std::vector<std::string>& args) {
  Options opt(args, {});
  if (opt.help()) return {0, kPolicyFileHelp, false};
  slog_client::TlogPolicy p;
  const Outcome o = slog_client::tlog_policy_parse(read_path(only_positional(opt, "policy FILE")), p);
  if (!o.ok()) return failed("policy-file", o, opt.json());
  if (opt.json()) {
    return {0, "{\"command\":\"policy-file\",\"valid\":true,\"logs\":" + json_list(p.logs) + ",\"witnesses\":" +
                   json_list(p.witnesses) + ",\"groups\":" + json_list(p.groups) + ",\"quorum\":" +
                   json_text(p.quorum) + "}",
            true};
  }
  std::string out = "valid";
  for (const auto& l : p.logs) out += "\nlog: " + l;
  for (const auto& w : p.witnesses) out += "\nwitness: " + w;
  for (const auto& g : p.groups) out += "\ngroup: " + g;
  return {0, out + "\nquorum: " + p.quorum, false};
}

}  // namespace slog
