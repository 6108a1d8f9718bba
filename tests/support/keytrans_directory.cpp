// SPDX-License-Identifier: Apache-2.0
#include "keytrans_directory.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/sha.h>

#include <algorithm>
#include <bit>
#include <stdexcept>

#include "coniks_tree.h"  // sha3_512_with_context
#include "vrf_p256_prover.h"
#include "vrf_prover.h"

namespace test_support::keytrans {
namespace {

using Keys = std::map<Bytes, Bytes>;  // search key -> commitment
using It = Keys::const_iterator;

// The fixed commitment key of the standard suites.
const uint8_t kCommitmentKey[16] = {0xd8, 0x21, 0xf8, 0x79, 0x0d, 0x97, 0x70, 0x97,
                                    0x96, 0xb4, 0xd7, 0x90, 0x33, 0x57, 0xc3, 0xf5};

Bytes cat(const std::vector<Bytes>& parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes be(uint64_t v, int width) {
  Bytes out;
  for (int i = width - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  return out;
}

// A vector behind its big-endian length of `width` bytes.
Bytes vec(const Bytes& b, int width) {
  if ((static_cast<uint64_t>(b.size()) >> (8 * width)) != 0) throw std::length_error("vector exceeds its length bound");
  return cat({be(b.size(), width), b});
}

Bytes sha256(const std::vector<Bytes>& parts) {
  const Bytes m = cat(parts);
  Bytes out(32);
  SHA256(m.data(), m.size(), out.data());
  return out;
}

Bytes vrf_input(const Bytes& label, uint32_t version) { return cat({vec(label, 1), be(version, 4)}); }

bool bit(const Bytes& key, size_t i) { return (key[i / 8] >> (7 - i % 8)) & 1; }

// Keys are sorted, so within a subtree at depth d those going left come first.
It right_half(It begin, It end, size_t d) {
  return std::find_if(begin, end, [&](const auto& kv) { return bit(kv.first, d); });
}

Bytes prefix_node(It begin, It end, size_t depth) {
  if (begin == end) return Bytes(32, 0);
  if (std::next(begin) == end) return sha256({{0x01}, begin->first, begin->second});
  const It mid = right_half(begin, end, depth);
  return sha256({{0x02}, prefix_node(begin, mid, depth + 1), prefix_node(mid, end, depth + 1)});
}

// Follows the key down to the leaf or the empty child its path ends at,
// collecting the siblings on the way.
PrefixProof lookup(const Keys& keys, const Bytes& key) {
  std::vector<Bytes> copath;
  for (It begin = keys.begin(), end = keys.end();;) {
    const auto d = static_cast<uint8_t>(copath.size());
    if (begin == end) return {NonInclusionParent, {}, static_cast<uint8_t>(d == 0 ? 0 : d - 1), copath};
    if (std::next(begin) == end && begin->first == key) return {Inclusion, {}, d, copath};
    if (std::next(begin) == end) return {NonInclusionLeaf, PrefixLeaf{begin->first, begin->second}, d, copath};
    const It mid = right_half(begin, end, d);
    const bool right = bit(key, d);
    copath.push_back(right ? prefix_node(begin, mid, d + 1) : prefix_node(mid, end, d + 1));
    (right ? begin : end) = mid;
  }
}

// A log-tree node as its type byte (0x00 for a single leaf, 0x01 for a hashed
// node) followed by its value: exactly what a parent hashes of it.
Bytes log_node(const std::vector<Bytes>& leaves, uint64_t start, uint64_t end) {
  if (end - start == 1) return cat({{0x00}, leaves[start]});
  const uint64_t k = std::bit_floor(end - start - 1);
  return cat({{0x01}, sha256({log_node(leaves, start, start + k), log_node(leaves, start + k, end)})});
}

// The batch inclusion elements for one leaf in the order a verifier consumes
// them: left to right, one head per full subtree of each range without it.
void log_path(const std::vector<Bytes>& leaves, uint64_t leaf, uint64_t start, uint64_t end,
              std::vector<Bytes>& out) {
  if (leaf < start || leaf >= end) {
    for (uint64_t s = start, size; s < end; s += size) {
      size = std::bit_floor(end - s);
      const Bytes head = log_node(leaves, s, s + size);
      out.emplace_back(head.begin() + 1, head.end());
    }
  } else if (end - start > 1) {
    const uint64_t k = std::bit_floor(end - start - 1);
    log_path(leaves, leaf, start, start + k, out);
    log_path(leaves, leaf, start + k, end, out);
  }
}

Bytes encode_step(const Step& s) {
  const PrefixProof& p = s.prefix;
  const Bytes leaf =
      p.result_type == NonInclusionLeaf && p.leaf ? cat({p.leaf->vrf_output, p.leaf->commitment}) : Bytes{};
  const Bytes prefix = cat({vec(cat({{p.result_type}, leaf, {p.depth}}), 1), vec(cat(p.elements), 2)});
  return cat({be(s.version, 4), vec(s.vrf_proof, 2), vec(prefix, 2), {uint8_t{s.has_commitment}},
              s.has_commitment ? s.commitment : Bytes{}});
}

}  // namespace

Bytes encode(const Proof& p) {
  const Bytes header = cat({{p.kind}, be(p.entry_index, 8), be(p.tree_size, 8), be(p.timestamp, 8), p.prefix_root,
                            vec(cat(p.log_inclusion), 2)});
  Bytes ladder = be(p.ladder.size(), 2);
  for (const Step& s : p.ladder) ladder = cat({ladder, encode_step(s)});
  const Revealed& r = p.revealed;
  const Bytes revealed = r.present ? cat({{1}, vec(r.value, 4), vec(r.opening, 1)}) : Bytes{0};
  const Bytes greatest = p.greatest_version ? cat({{1}, be(*p.greatest_version, 4)}) : Bytes{0};
  switch (p.kind) {
    case Search: return cat({header, greatest, ladder, revealed});
    case FixedVersion: return cat({header, encode_step(p.ladder.at(0)), revealed});
    case Monitor: return cat({header, be(p.version, 4), ladder});
    default: return header;
  }
}

std::vector<uint64_t> search_ladder(uint32_t t) {
  std::vector<uint64_t> out;
  for (int i = 0; out.empty() || out.back() <= t; ++i) out.push_back((uint64_t{1} << i) - 1);
  uint64_t lo = out[out.size() - 2], hi = out.back();
  while (lo + 1 < hi) {
    const uint64_t mid = (lo + hi) / 2;
    out.push_back(mid);
    (mid > t ? hi : lo) = mid;
  }
  return out;
}

std::vector<uint32_t> monitoring_ladder(uint32_t v) {
  std::vector<uint32_t> out;
  for (uint64_t x : search_ladder(v)) {
    if (x <= v) out.push_back(static_cast<uint32_t>(x));
  }
  return out;
}

template <class Prover>
Vrf vrf_of(const Prover& prover) {
  return {prover.public_key(), [prover](const Bytes& alpha) { return prover.prove(alpha); },
          [](const Bytes& proof) {
            const Bytes beta = Prover::proof_to_hash(proof);
            return Bytes(beta.begin(), beta.begin() + 32);
          }};
}

Vrf vrf_for(Suite suite, uint64_t seed) {
  return suite == P256 ? vrf_of(P256VrfProver::from_seed(seed)) : vrf_of(VrfProver::from_seed(seed));
}

Directory::Directory(Suite suite, std::string context, Vrf vrf)
    : suite_(suite), context_(std::move(context)), vrf_(std::move(vrf)) {}

void Directory::set(const Bytes& label, const Bytes& value) {
  const uint32_t version = versions_[label]++;
  keys_[vrf_.search_key(vrf_.prove(vrf_input(label, version)))] =
      commitment(label, version, value, opening(label, version));
  values_[{label, version}] = value;
}

void Directory::publish(uint64_t timestamp) {
  log_.push_back(Entry{timestamp, keys_, versions_, prefix_node(keys_.begin(), keys_.end(), 0)});
}

size_t Directory::log_size() const { return log_.size(); }

std::vector<Bytes> Directory::log_leaves() const {
  std::vector<Bytes> leaves;
  for (const Entry& e : log_) leaves.push_back(sha256({be(e.timestamp, 8), e.prefix_root}));
  return leaves;
}

Bytes Directory::root() const {
  if (log_.empty()) throw std::logic_error("the log is empty");
  const Bytes node = log_node(log_leaves(), 0, log_.size());
  return Bytes(node.begin() + 1, node.end());
}

Bytes Directory::prefix_root(uint64_t entry) const { return log_.at(entry).prefix_root; }

uint32_t Directory::versions(const Bytes& label, uint64_t entry) const {
  const auto& versions = log_.at(entry).versions;
  return versions.count(label) != 0 ? versions.at(label) : 0;
}

Proof Directory::header(uint8_t kind, std::optional<uint64_t> entry) const {
  const uint64_t index = entry.value_or(log_.size() - 1);
  const Entry& e = log_.at(index);
  Proof p{kind, index, log_.size(), e.timestamp, e.prefix_root};
  log_path(log_leaves(), index, 0, log_.size(), p.log_inclusion);
  return p;
}

Proof Directory::search(const Bytes& label, std::optional<uint64_t> entry) const {
  Proof p = header(Search, entry);
  const uint32_t count = versions(label, p.entry_index);
  if (count > 0) {
    p.greatest_version = count - 1;
    p.revealed = {true, values_.at({label, count - 1}), opening(label, count - 1)};
  }
  // An absent label is shown by the non-inclusion of its version 0 alone.
  for (uint64_t v : count > 0 ? search_ladder(count - 1) : std::vector<uint64_t>{0}) {
    p.ladder.push_back(step(label, static_cast<uint32_t>(v), p.entry_index));
  }
  return p;
}

Proof Directory::fixed_version(const Bytes& label, uint32_t version, std::optional<uint64_t> entry) const {
  Proof p = header(FixedVersion, entry);
  p.ladder.push_back(step(label, version, p.entry_index));
  if (p.ladder[0].has_commitment) p.revealed = {true, values_.at({label, version}), opening(label, version)};
  return p;
}

Proof Directory::monitor(const Bytes& label, uint32_t version, std::optional<uint64_t> entry) const {
  Proof p = header(Monitor, entry);
  p.version = version;
  for (uint32_t v : monitoring_ladder(version)) p.ladder.push_back(step(label, v, p.entry_index));
  return p;
}

Step Directory::step(const Bytes& label, uint32_t version, uint64_t entry) const {
  const Keys& keys = log_.at(entry).keys;
  Step s{version, vrf_.prove(vrf_input(label, version))};
  const Bytes key = vrf_.search_key(s.vrf_proof);
  s.prefix = lookup(keys, key);
  s.has_commitment = s.prefix.result_type == Inclusion;
  if (s.has_commitment) s.commitment = keys.at(key);
  return s;
}

// The committed message is the label and version as in the VRF input, then
// the value as an opaque32 vector.
Bytes Directory::commitment(const Bytes& label, uint32_t version, const Bytes& value, const Bytes& opening) const {
  const Bytes m = cat({opening, vrf_input(label, version), vec(value, 4)});
  if (suite_ == HybridExp) return sha3_512_with_context(context_, m);
  Bytes out(32);
  HMAC(EVP_sha256(), kCommitmentKey, sizeof kCommitmentKey, m.data(), m.size(), out.data(), nullptr);
  return out;
}

Bytes Directory::opening(const Bytes& label, uint32_t version) const {
  Bytes o = sha256({{'o', 'p', 'e', 'n', 'i', 'n', 'g'}, vrf_input(label, version)});
  o.resize(suite_ == HybridExp ? 32 : 16);
  return o;
}

}  // namespace test_support::keytrans
