// SPDX-License-Identifier: Apache-2.0
#include "app.h"

#include "silvantrope_log.h"

namespace slog {
namespace {

constexpr bool kRepeat = true;

struct Opt {
  const char* name;
  const char* value;  // the value's name in help; nullptr for a flag
  const char* help;
  bool repeat = false;
};

CLI::Option* add(CLI::App* app, const Opt& o) {
  if (o.value == nullptr) {
    return app->add_flag(o.name, o.help)->multi_option_policy(CLI::MultiOptionPolicy::Throw)->disable_flag_override();
  }
  CLI::Option* opt = app->add_option(o.name, o.help)->type_name(o.value);
  if (o.repeat) opt->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)->type_size(1)->expected(1, 1)->allow_extra_args(false);
  return opt;
}

CLI::App* command(CLI::App& app, const char* name) {
  for (const CommandText& t : command_texts()) {
    if (std::string(t.name) == name) {
      CLI::App* sub = app.add_subcommand(name, t.summary);
      sub->footer(t.details);
      return sub;
    }
  }
  return nullptr;
}

void options(CLI::App* app, std::initializer_list<Opt> opts) {
  for (const Opt& o : opts) add(app, o);
}

CLI::Option* get(CLI::App* app, const char* name) { return app->get_option(name); }

// Each of the pairs names one input two ways: at most one may be given.
void one_input(CLI::App* app, std::initializer_list<std::pair<const char*, const char*>> pairs) {
  for (const auto& [a, b] : pairs) get(app, a)->excludes(get(app, b));
}

const Opt kProof{"--proof", "HASH[,HASH...]", "a proof hash (hex or base64); repeat or separate with commas", kRepeat};
const Opt kProofFile{"--proof-file", "FILE", "the proof hashes, one a line (# after a blank or at the start starts a comment)"};
const Opt kNote{"--note", "FILE", "the signed note"};
const Opt kKey{"--key", "KEY", "a trusted verifier key name+id+base64", kRepeat};
const Opt kKeyFile{"--key-file", "FILE", "trusted verifier keys, one a line"};

void add_key_history(CLI::App* parent, const char* name, const char* summary, bool context) {
  CLI::App* app = parent->add_subcommand(name, summary);
  options(app, {{"--seq", "N", "the entry's sequence number"},
                {"--ts-ms", "N", "its timestamp, milliseconds since the Unix epoch"},
                {"--enc-x25519", "HEX", "its X25519 encryption key"},
                {"--enc-pq", "HEX", "its post-quantum encryption key"},
                {"--signing-pub", "HEX", "its signing key"},
                {"--prev", "HASH", "the previous entry's hash (hex or base64); absent for genesis"}});
  for (const char* required : {"--seq", "--ts-ms", "--enc-x25519", "--enc-pq", "--signing-pub"}) get(app, required)->required();
  if (context) add(app, {"--context", "LABEL", "hash under this context label instead of tarnwyk/key-history/v1"});
}

void add_directory_proof(CLI::App* parent, const char* name, const char* summary, bool keytrans) {
  CLI::App* app = parent->add_subcommand(name, summary);
  const char* subject = keytrans ? "--label" : "--identity";
  const char* subject_text = keytrans ? "--label-text" : "--identity-text";
  if (keytrans) {
    add(app, {"--context", "TEXT",
              "the context that binds the experimental suite 0xf000's commitments (required there; the standard "
              "suites take none)"});
  }
  if (!keytrans) add(app, {"--namespace", "NS", "the directory's namespace"});
  options(app, {{"--vrf-public", "HEX",
                 keytrans ? "the VRF public key (32 bytes; for suite 0x0001 a 33-byte compressed P-256 point)"
                          : "the 32-byte VRF public key"},
                {"--root", "HASH", keytrans ? "the 32-byte combined-tree root (hex or base64)"
                                            : "the 64-byte directory root (hex or base64)"},
                {subject, "HEX", keytrans ? "the label, in hex" : "the identity, in hex"},
                {subject_text, "TEXT", keytrans ? "the label, as text" : "the identity, as text"},
                {"--proof", "HEX", "the proof bytes, in hex"},
                {"--proof-file", "FILE", "the proof bytes in hex (whitespace ignored)"}});
  if (keytrans) add(app, {"--suite", "ID", "0x0001, 0x0002 or 0xf000 (the default)"});
  if (!keytrans) get(app, "--namespace")->required();
  get(app, "--vrf-public")->required();
  get(app, "--root")->required();
  one_input(app, {{subject, subject_text}, {"--proof", "--proof-file"}});
}

}  // namespace

const std::vector<CommandText>& command_texts() {
  static const std::vector<CommandText> texts = {
      {"inclusion", "verify an RFC 6962 inclusion proof",
       "Checks that the leaf hash (already hashed as SHA-256(0x00 || data)) is at --index in the tree of --size "
       "leaves whose root is --root. The proof is the audit path from the leaf upward."},
      {"consistency", "verify an RFC 6962 consistency proof",
       "Checks that the tree of --size2 leaves with --root2 is an append-only extension of the tree of --size1 "
       "leaves with --root1."},
      {"key-history", "compute a key-history entry's canonical bytes or hashes",
       "Prints, in hex, a key-history entry's canonical Layer-0 bytes, its SHA3-512 entry hash (under "
       "\"tarnwyk/key-history/v1\" or the --context label), or its RFC 6962 leaf hash."},
      {"note", "verify a signed note against trusted verifier keys",
       "Verifies a C2SP signed note against trusted verifier keys (plain Ed25519 or composite ML-DSA keys) and "
       "names the trusted keys whose signatures verified. Signatures from unknown keys are ignored; a bad signature "
       "from a trusted key fails the note."},
      {"checkpoint", "verify a signed checkpoint, and proofs against it",
       "Verifies a signed C2SP checkpoint and prints its origin, size, root, extension lines and the trusted keys "
       "that signed it. --inclusion also checks that the leaf hash is at --index of its tree; --consistency FILE "
       "verifies the newer checkpoint too and the consistency proof from the older tree to it. --quorum N requires "
       "N distinct witnesses (C2SP tlog-cosignature keys, Ed25519 or ML-DSA-44) to have cosigned at or after "
       "--not-before (POSIX seconds, default 0), and combines with --inclusion and --consistency: then every "
       "checkpoint read must meet the quorum. Each witness that cosigned is named with its timestamp. No clock is "
       "read: future timestamps are your concern. --body parses an already-trusted checkpoint body without any "
       "signature."},
      {"commitment", "check that a commitment opens to a value",
       "Checks that the 64-byte commitment is SHA3-512 over the context's 8-byte length, the context, the 32-byte "
       "opening and the value."},
      {"coniks", "verify a CONIKS directory lookup or absence proof",
       "lookup verifies that the identity is in the CONIKS directory whose 64-byte root is --root and prints its "
       "value; absence verifies that it is not. The VRF key maps the identity to its place in the tree."},
      {"policy", "verify a signed namespace policy, or check observations against it",
       "Verifies a SignedPolicy envelope and prints the posture it declares, with the policy hash and RFC 6962 leaf "
       "hash; trust the policy once that leaf hash is in a policy log you trust. With --expect-* options, checks "
       "what was observed against the declared posture instead, in the order listed, and reports the first "
       "mismatch. IDs are decimal or 0x-prefixed hex."},
      {"keytrans", "verify a KEYTRANS search, fixed-version or monitoring proof",
       "Verifies a KEYTRANS proof for the label against the 32-byte combined-tree root: search prints the label's "
       "greatest version's value or that it is absent, fixed the value of the version the proof shows, monitor "
       "checks that the monitored version and its ladder are all present."},
      {"tlog-proof", "verify a C2SP tlog-proof@v1 file against a tlog-policy",
       "Verifies a C2SP tlog-proof@v1 file offline: its checkpoint must be signed by a log of the C2SP tlog-policy "
       "file whose key name is the checkpoint's origin and cosigned as the policy's quorum demands, by cosignatures "
       "timestamped at or after --not-before (POSIX seconds, default 0); then the entry must be included at the "
       "proof's index. The entry is given as its RFC 6962 leaf hash or as a file whose bytes are hashed as a leaf. "
       "Prints the index, any extra data, the checkpoint and every witness that cosigned, with its timestamp. No "
       "clock is read: judge freshness from those timestamps."},
      {"tiles", "verify proofs from, or audit, a C2SP tlog-tiles mirror",
       "DIR is a local mirror of a C2SP tlog-tiles log laid out as its URL paths (DIR/checkpoint, DIR/tile/...). Its "
       "checkpoint must verify against the C2SP tlog-policy --policy FILE, with cosignatures timestamped at or after "
       "--not-before (POSIX seconds, default 0). inclusion reads only the tiles the library names for the proof and "
       "verifies the inclusion of the entry at --index; consistency verifies OLD_CHECKPOINT against the policy too, "
       "then the consistency proof from its tree to DIR's, computed from the tiles the library names; audit checks "
       "every level-0 tile against its entry bundle where one is present, every full tile against the hash the level "
       "above holds for it, and the root, streaming on --threads threads (default: every core this process may "
       "use), with a progress bar on a terminal and the time taken and entries per second on standard error."},
      {"policy-file", "check and summarise a C2SP tlog-policy file",
       "Checks a C2SP tlog-policy file and prints its logs (key names), witnesses, groups and quorum."},
      {"samples", "verify every sample in a directory (default: samples)",
       "Runs every DIR/*.sample file. A sample holds the arguments of one slog command (over any number of lines; # "
       "starts a comment; file names are relative to DIR) and one 'expect: LINE' per line of the output the "
       "command must print. A sample cannot run samples."},
  };
  return texts;
}

std::unique_ptr<CLI::App> make_app() {
  auto app = std::make_unique<CLI::App>(
      "Verifies transparency-log data with libsilvantrope_log. Exit status: 0 valid, 1 verification failed, 2 usage "
      "or internal error.",
      "slog");
  app->fallthrough();  // the global options may follow the command
  app->require_subcommand(0, 1);
  options(app.get(), {{"--json", nullptr, "print one JSON object (on usage errors too)"},
                      {"-q,--quiet", nullptr, "print nothing on success, only the error on failure"},
                      {"--max-input-size", "BYTES", "the largest file or standard input read (default 16777216)"},
                      {"--version", nullptr, "print slog's, the library's and the interface's versions"}});
  get(app.get(), "--json")->excludes(get(app.get(), "--quiet"));

  CLI::App* c = command(*app, "inclusion");
  options(c, {{"--index", "N", "the leaf's index"}, {"--size", "N", "the tree size"},
              {"--leaf", "HASH", "the 32-byte leaf hash (hex or base64)"}, kProof, kProofFile,
              {"--root", "HASH", "the 32-byte root (hex or base64)"}});
  for (const char* r : {"--index", "--size", "--leaf", "--root"}) get(c, r)->required();
  one_input(c, {{"--proof", "--proof-file"}});

  c = command(*app, "consistency");
  options(c, {{"--size1", "N", "the older tree size"}, {"--size2", "N", "the newer tree size"}, kProof, kProofFile,
              {"--root1", "HASH", "the older root (hex or base64)"}, {"--root2", "HASH", "the newer root (hex or base64)"}});
  for (const char* r : {"--size1", "--size2", "--root1", "--root2"}) get(c, r)->required();
  one_input(c, {{"--proof", "--proof-file"}});

  c = command(*app, "key-history");
  c->require_subcommand(1);
  add_key_history(c, "canonical-bytes", "the entry's canonical bytes", false);
  add_key_history(c, "entry-hash", "its SHA3-512 entry hash", true);
  add_key_history(c, "leaf-hash", "its RFC 6962 leaf hash", false);

  c = command(*app, "note");
  options(c, {kNote, kKey, kKeyFile});
  get(c, "--note")->required();

  c = command(*app, "checkpoint");
  options(c, {kNote, kKey, kKeyFile, {"--inclusion", nullptr, "also verify an inclusion proof against it"},
              {"--index", "N", "with --inclusion: the leaf's index"},
              {"--leaf", "HASH", "with --inclusion: the leaf hash (hex or base64)"}, kProof, kProofFile,
              {"--consistency", "FILE", "a newer signed checkpoint to verify as consistent with --note"},
              {"--cosigner-key", "KEY", "a witness key name+id+base64", kRepeat},
              {"--cosigner-key-file", "FILE", "witness keys, one a line"},
              {"--quorum", "N", "how many distinct witnesses must have cosigned"},
              {"--not-before", "T",
               "with --quorum or --policy: count cosignatures timestamped at or after T (POSIX seconds)"},
              {"--body", "FILE", "parse an already-trusted checkpoint body, without signatures"},
              {"--policy", "FILE", "verify NOTE against this C2SP tlog-policy file instead of keys and a quorum"}});
  c->add_option("NOTE", "with --policy: the signed checkpoint")->type_name("FILE");
  get(c, "NOTE")->needs(get(c, "--policy"));
  get(c, "--policy")->needs(get(c, "NOTE"));
  for (const char* other : {"--note", "--key", "--key-file", "--inclusion", "--index", "--leaf", "--proof",
                            "--proof-file", "--consistency", "--cosigner-key", "--cosigner-key-file", "--quorum",
                            "--body"}) {
    get(c, "--policy")->excludes(get(c, other));
  }
  CLI::Option* body = get(c, "--body");
  for (const char* other : {"--note", "--key", "--key-file", "--inclusion", "--index", "--leaf", "--proof",
                            "--proof-file", "--consistency", "--cosigner-key", "--cosigner-key-file", "--quorum",
                            "--not-before"}) {
    body->excludes(get(c, other));
  }
  get(c, "--inclusion")->excludes(get(c, "--consistency"));
  for (const char* o : {"--index", "--leaf"}) {
    get(c, o)->needs(get(c, "--inclusion"));
    get(c, "--inclusion")->needs(get(c, o));
  }
  for (const char* o : {"--cosigner-key", "--cosigner-key-file"}) get(c, o)->needs(get(c, "--quorum"));
  one_input(c, {{"--proof", "--proof-file"}});

  c = command(*app, "commitment");
  options(c, {{"--context", "TEXT", "the commitment's context label"},
              {"--commitment", "HASH", "the 64-byte commitment (hex or base64)"},
              {"--value", "HEX", "the committed value"},
              {"--opening", "HEX", "the 32-byte opening"}});
  for (const char* r : {"--context", "--commitment", "--value", "--opening"}) get(c, r)->required();

  c = command(*app, "coniks");
  c->require_subcommand(1);
  add_directory_proof(c, "lookup", "verify that the identity is present and print its value", false);
  add_directory_proof(c, "absence", "verify that the identity is absent", false);

  c = command(*app, "policy");
  options(c, {{"--envelope", "FILE", "the SignedPolicy envelope's raw bytes"},
              {"--envelope-hex", "HEX", "the envelope in hex"},
              {"--expect-key", "TOKEN", "the observed checkpoint signing key token"},
              {"--expect-key-file", "FILE", "a file holding that token (surrounding whitespace ignored)"},
              {"--expect-signature", "TOKEN", "the observed checkpoint signature token"},
              {"--expect-signature-file", "FILE", "a file holding that token (surrounding whitespace ignored)"},
              {"--expect-vrf-suite", "ID", "the observed CONIKS VRF suite id"},
              {"--expect-commitment-hash", "NAME", "Sha3_256, Sha3_512, or a raw CommitmentHash index"},
              {"--expect-backend", "ID", "the observed directory backend id (0x0001 CONIKS, 0xf004 KEYTRANS)"}});
  one_input(c, {{"--envelope", "--envelope-hex"},
                {"--expect-key", "--expect-key-file"},
                {"--expect-signature", "--expect-signature-file"}});

  c = command(*app, "keytrans");
  c->require_subcommand(1);
  add_directory_proof(c, "search", "verify a greatest-version search proof", true);
  add_directory_proof(c, "fixed", "verify a fixed-version search proof", true);
  add_directory_proof(c, "monitor", "verify a monitoring proof", true);

  c = command(*app, "tlog-proof");
  options(c, {{"--policy", "FILE", "the C2SP tlog-policy file"},
              {"--leaf-hash", "HASH", "the entry's RFC 6962 leaf hash (hex or base64)"},
              {"--entry", "FILE", "the entry, hashed as an RFC 6962 leaf"},
              {"--not-before", "T", "count cosignatures timestamped at or after T (POSIX seconds)"}});
  c->add_option("PROOF", "the tlog-proof@v1 file")->type_name("FILE")->required();
  get(c, "--policy")->required();
  one_input(c, {{"--leaf-hash", "--entry"}});

  c = command(*app, "tiles");
  c->require_subcommand(1);
  const Opt kTilesPolicy{"--policy", "FILE", "the C2SP tlog-policy file"};
  const Opt kNotBefore{"--not-before", "T", "count cosignatures timestamped at or after T (POSIX seconds)"};
  CLI::App* t = c->add_subcommand("inclusion", "verify an entry's inclusion from the tiles its proof needs");
  options(t, {kTilesPolicy, {"--index", "N", "the entry's index"},
              {"--leaf-hash", "HASH", "the entry's RFC 6962 leaf hash (hex or base64)"},
              {"--entry", "FILE", "the entry, hashed as an RFC 6962 leaf"}, kNotBefore});
  get(t, "--index")->required();
  one_input(t, {{"--leaf-hash", "--entry"}});
  t = c->add_subcommand("consistency", "verify that DIR's tree extends OLD_CHECKPOINT's, from the tiles");
  options(t, {kTilesPolicy, kNotBefore});
  t->add_option("OLD_CHECKPOINT", "the older signed checkpoint")->type_name("FILE")->required();
  t = c->add_subcommand("audit", "check every tile and bundle of the mirror, and its root");
  options(t, {kTilesPolicy, {"--threads", "N", "worker threads (default: every core this process may use)"}, kNotBefore});
  for (const char* mode : {"inclusion", "consistency", "audit"}) {
    CLI::App* sub = c->get_subcommand(mode);
    get(sub, "--policy")->required();
    sub->add_option("DIR", "the mirror's directory")->type_name("DIR")->required();
  }

  c = command(*app, "policy-file");
  c->add_option("FILE", "the C2SP tlog-policy file")->type_name("FILE")->required();

  c = command(*app, "samples");
  c->add_option("DIR", "the directory of .sample files (default: samples)")->type_name("DIR");
  return app;
}

bool Given::has(const std::string& name) const {
  const CLI::Option* o = app_->get_option_no_throw(name);
  return o != nullptr && o->count() > 0;
}

std::string Given::one(const std::string& name) const {
  const std::vector<std::string> v = all(name);
  return v.empty() ? std::string() : v.front();
}

std::vector<std::string> Given::all(const std::string& name) const {
  const CLI::Option* o = app_->get_option_no_throw(name);
  return o == nullptr ? std::vector<std::string>{} : o->results();
}

}  // namespace slog
