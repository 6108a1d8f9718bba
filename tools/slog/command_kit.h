// SPDX-License-Identifier: Apache-2.0
#pragma once

// What every command works with: its options, its inputs and its report.

#include <cstdint>
#include <string>

#include "app.h"
#include "input.h"
#include "report.h"
#include "values.h"

namespace slog {

namespace sl = silvantrope_log;

struct Ctx {
  const Given& opt;
  Inputs& in;
  Report& r;
  bool json = false;   // the report will be printed as JSON
  bool quiet = false;  // nothing is printed on success
};

// A C2SP tlog-policy file given with option `name`: its bytes as they are,
// not checked as UTF-8, since the format leaves octets of 0x80 and above opaque.
inline std::string policy_text(const Ctx& c, const std::string& name) { return c.in.bytes(c.opt.one(name), name); }

inline uint64_t number(const Ctx& c, const std::string& name, uint64_t max = UINT64_MAX) {
  return decimal(c.opt.one(name), name, max);
}

// Records a failed call in the report; true when the call succeeded.
inline bool done(Report& r, const sl::Result<void>& res) {
  if (!res) r.fail(res.error());
  return res.ok();
}
template <class T>
bool done(Report& r, const sl::Result<T>& res) {
  if (!res) r.fail(res.error());
  return res.ok();
}

inline void valid(Report& r) { r.lines.insert(r.lines.begin(), "valid"); }

// A checkpoint verified against a tlog policy: its head, the policy log that
// signed it and the witnesses that cosigned, with their timestamps (those
// before not_before marked as not counted).
void describe(Report& r, const sl::VerifiedCheckpoint& v, uint64_t not_before);

// SHA-256(0x00 || entry), the RFC 6962 leaf hash.
Bytes leaf_hash_of(const std::string& entry);

}  // namespace slog
