// SPDX-License-Identifier: Apache-2.0
#include "checkpoint/tlog_proof.h"

#include "core/quote.h"
#include "encoding/base64.h"
#include "merkle/proof.h"

namespace silvantrope::checkpoint {
namespace {

constexpr std::string_view kHeader = "c2sp.org/tlog-proof@v1";

Error malformed(size_t line, std::string_view detail) {
  return Error::malformed_tlog_proof("line " + std::to_string(line) + ": " + std::string(detail));
}

// Lines ended by LF; the last line read is the one before the rest.
class Lines {
 public:
  explicit Lines(std::string_view text) : rest_(text) {}
  std::optional<std::string_view> next() {
    const size_t nl = rest_.find('\n');
    if (nl == std::string_view::npos) return std::nullopt;
    const std::string_view line = rest_.substr(0, nl);
    rest_.remove_prefix(nl + 1);
    ++number_;
    return line;
  }
  size_t number() const { return number_; }
  std::string_view rest() const { return rest_; }

 private:
  std::string_view rest_;
  size_t number_ = 0;
};

Result<uint64_t> decimal(size_t line, std::string_view s) {
  if (s.empty() || s.find_first_not_of("0123456789") != std::string_view::npos) {
    return malformed(line, "index is not decimal: " + quote(s));
  }
  if (s.size() > 1 && s[0] == '0') return malformed(line, "index has a leading zero: " + quote(s));
  uint64_t v = 0;
  for (char c : s) {
    const uint64_t d = static_cast<uint64_t>(c - '0');
    if (v > (UINT64_MAX - d) / 10) return malformed(line, "index overflow: " + quote(s));
    v = v * 10 + d;
  }
  return v;
}

}  // namespace

Result<TlogProof> parse_tlog_proof(std::string_view text) {
  Lines lines(text);
  TlogProof proof;
  auto line = lines.next();
  if (!line || *line != kHeader) {
    return malformed(1, "want " + quote(kHeader) + ", got " + quote(line.value_or(text.substr(0, 64))));
  }
  line = lines.next();
  if (line && line->rfind("extra ", 0) == 0) {
    auto extra = encoding::base64_decode(line->substr(6));
    if (!extra) return malformed(lines.number(), "extra is not valid base64: " + quote(line->substr(6)));
    if (extra->empty()) return malformed(lines.number(), "extra is empty");
    proof.extra = std::move(*extra);
    line = lines.next();
  }
  if (!line) return malformed(lines.number() + 1, "missing index line");
  if (line->rfind("index ", 0) != 0) return malformed(lines.number(), "want \"index <n>\", got " + quote(*line));
  auto index = decimal(lines.number(), line->substr(6));
  if (!index) return std::move(index).error();
  proof.index = *index;
  while (true) {
    line = lines.next();
    if (!line) return malformed(lines.number() + 1, "missing empty line before the checkpoint");
    if (line->empty()) break;
    if (proof.hashes.size() == kMaxProofHashes) {
      return malformed(lines.number(), "more than " + std::to_string(kMaxProofHashes) + " proof hashes");
    }
    auto hash = encoding::base64_decode(*line);
    if (!hash) return malformed(lines.number(), "proof hash is not valid base64: " + quote(*line));
    if (hash->size() != 32) {
      return malformed(lines.number(), "proof hash is " + std::to_string(hash->size()) + " bytes, want 32");
    }
    proof.hashes.push_back(std::move(*hash));
  }
  proof.checkpoint = lines.rest();
  if (proof.checkpoint.empty()) return malformed(lines.number() + 1, "missing checkpoint");
  return proof;
}

Result<VerifiedProof> verify_tlog_proof(std::string_view text, std::string_view policy_text, ByteView leaf_hash,
                                        uint64_t not_before) {
  auto proof = parse_tlog_proof(text);
  if (!proof) return std::move(proof).error();
  auto policy = parse_tlog_policy(policy_text);
  if (!policy) return std::move(policy).error();
  auto checkpoint = verify_with_policy(proof->checkpoint, *policy, not_before);
  if (!checkpoint) return std::move(checkpoint).error();
  std::vector<ByteView> path(proof->hashes.begin(), proof->hashes.end());
  const CheckpointHead& head = checkpoint->head;
  if (auto r = merkle::verify_inclusion_proof(proof->index, head.size, leaf_hash, path, head.root); !r) {
    return std::move(r).error();
  }
  return VerifiedProof{proof->index, std::move(proof->extra), std::move(*checkpoint)};
}

}  // namespace silvantrope::checkpoint
