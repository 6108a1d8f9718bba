// SPDX-License-Identifier: Apache-2.0
#pragma once

// A KEYTRANS combined-tree directory for fixtures: a log tree whose leaves
// hold (timestamp, prefix-tree root), a real prefix tree over VRF search
// keys, and the search, fixed-version and monitoring proofs such a directory
// serves, as structures a test can alter before encoding them. Hashes are
// computed here from their definitions with OpenSSL's one-shot functions,
// sharing no code with the library.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace test_support::keytrans {

using Bytes = std::vector<uint8_t>;

enum Suite : uint16_t { P256 = 0x0001, Ed25519 = 0x0002, HybridExp = 0xF000 };

// The suite's VRF as the directory uses it.
struct Vrf {
  Bytes public_key;
  std::function<Bytes(const Bytes& alpha)> prove;
  std::function<Bytes(const Bytes& proof)> search_key;  // the first 32 bytes of the output
};

// The suite's VRF from the test provers: ECVRF-P256 for P256, the
// Edwards25519 one otherwise, with the secret derived from seed.
Vrf vrf_for(Suite suite, uint64_t seed);

enum ResultType : uint8_t { Inclusion = 1, NonInclusionLeaf = 2, NonInclusionParent = 3 };

struct PrefixLeaf {
  Bytes vrf_output;
  Bytes commitment;
};

struct PrefixProof {
  uint8_t result_type = Inclusion;
  std::optional<PrefixLeaf> leaf;  // written only for NonInclusionLeaf
  uint8_t depth = 0;
  std::vector<Bytes> elements;  // copath, element 0 the root's child
};

struct Step {
  uint32_t version = 0;
  Bytes vrf_proof;
  PrefixProof prefix;
  bool has_commitment = false;
  Bytes commitment;
};

struct Revealed {
  bool present = false;
  Bytes value;
  Bytes opening;
};

enum Kind : uint8_t { Search = 1, FixedVersion = 2, Monitor = 3 };

// One proof of any kind; the fields a kind does not have are ignored by
// encode(). A fixed-version proof encodes ladder[0] as its step.
struct Proof {
  uint8_t kind = Search;
  uint64_t entry_index = 0;
  uint64_t tree_size = 0;
  uint64_t timestamp = 0;
  Bytes prefix_root;
  std::vector<Bytes> log_inclusion;
  std::optional<uint32_t> greatest_version;  // search
  uint32_t version = 0;                      // monitor
  std::vector<Step> ladder;
  Revealed revealed;  // search, fixed-version
};

Bytes encode(const Proof& proof);

// The canonical ladders: binary search for t, and its entries at most v.
std::vector<uint64_t> search_ladder(uint32_t t);
std::vector<uint32_t> monitoring_ladder(uint32_t v);

class Directory {
 public:
  Directory(Suite suite, std::string context, Vrf vrf);

  // Adds the label's next version (0 first) with this value; the opening is
  // derived from label and version.
  void set(const Bytes& label, const Bytes& value);
  // Appends a log entry holding the timestamp and the current prefix root.
  void publish(uint64_t timestamp);

  size_t log_size() const;
  Bytes root() const;                       // the combined-tree (log) root
  Bytes prefix_root(uint64_t entry) const;  // the prefix root held by a log entry
  const Vrf& vrf() const { return vrf_; }
  // The version count of a label as of a log entry.
  uint32_t versions(const Bytes& label, uint64_t entry) const;

  // Proofs against log entry `entry` (the last one when omitted), under the
  // directory's current log root.
  Proof search(const Bytes& label, std::optional<uint64_t> entry = {}) const;
  Proof fixed_version(const Bytes& label, uint32_t version, std::optional<uint64_t> entry = {}) const;
  Proof monitor(const Bytes& label, uint32_t version, std::optional<uint64_t> entry = {}) const;

  // One rung for (label, version) against a log entry's prefix tree:
  // inclusion when present, otherwise the non-inclusion the tree gives.
  Step step(const Bytes& label, uint32_t version, uint64_t entry) const;
  Bytes commitment(const Bytes& label, uint32_t version, const Bytes& value, const Bytes& opening) const;
  Bytes opening(const Bytes& label, uint32_t version) const;

 private:
  struct Entry {
    uint64_t timestamp;
    std::map<Bytes, Bytes> keys;  // search key -> commitment
    std::map<Bytes, uint32_t> versions;
    Bytes prefix_root;
  };

  Proof header(uint8_t kind, std::optional<uint64_t> entry) const;
  std::vector<Bytes> log_leaves() const;

  Suite suite_;
  std::string context_;
  Vrf vrf_;
  std::map<Bytes, Bytes> keys_;           // current prefix tree
  std::map<Bytes, uint32_t> versions_;    // label -> version count
  std::map<std::pair<Bytes, uint32_t>, Bytes> values_;
  std::vector<Entry> log_;
};

}  // namespace test_support::keytrans
