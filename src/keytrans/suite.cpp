// SPDX-License-Identifier: Apache-2.0
#include "keytrans/suite.h"

#include <algorithm>
#include <string>

#include "commitment/commitment.h"
#include "core/hex_id.h"
#include "keytrans/tls.h"
#include "silvantrope-crypto/hmac.h"

namespace silvantrope::keytrans {
namespace {

// The fixed HMAC key of the standard suites' commitment scheme, as published
// with the key transparency protocol.
constexpr uint8_t kCommitmentKey[16] = {0xd8, 0x21, 0xf8, 0x79, 0x0d, 0x97, 0x70, 0x97,
                                        0x96, 0xb4, 0xd7, 0x90, 0x33, 0x57, 0xc3, 0xf5};

}  // namespace

std::string_view KeytransContext::name() const {
  switch (suite) {
    case SuiteCode::SilvantropeHybridExp: return "SilvantropeHybridExp";
    case SuiteCode::Kt128Sha256P256: return "Kt128Sha256P256";
    case SuiteCode::Kt128Sha256Ed25519: return "Kt128Sha256Ed25519";
  }
  return "";
}

Result<KeytransContext> resolve_suite(uint16_t suite_id, ByteView context, ByteView vrf_public) {
  switch (suite_id) {
    case 0x0001: return KeytransContext{context, vrf_public, &crypto::p256_vrf(), SuiteCode::Kt128Sha256P256};
    case 0x0002:
      return KeytransContext{context, vrf_public, &crypto::edwards25519_vrf(), SuiteCode::Kt128Sha256Ed25519};
    case 0xF000: return default_context(context, vrf_public);
  }
  return Error::malformed_keytrans("unknown keytrans suite id " + hex_id(suite_id, 4));
}

KeytransContext default_context(ByteView context, ByteView vrf_public) {
  return {context, vrf_public, &crypto::edwards25519_vrf(), SuiteCode::SilvantropeHybridExp};
}

Result<Bytes> commit(const KeytransContext& ctx, ByteView label, uint32_t version, ByteView value,
                     ByteView opening) {
  if (opening.size() != ctx.opening_size()) {
    return Error::malformed_keytrans("commitment opening must be " + std::to_string(ctx.opening_size()) +
                                     " bytes for " + std::string(ctx.name()) + ", got " +
                                     std::to_string(opening.size()));
  }
  const Bytes m = SILVANTROPE_TRY(encode_commitment_value(label, version, value));
  if (ctx.suite == SuiteCode::SilvantropeHybridExp) {
    commitment::Opening o;
    std::copy(opening.begin(), opening.end(), o.begin());
    const Hash64 c = commitment::compute_commitment(ctx.context, m, o);
    return Bytes(c.begin(), c.end());
  }
  const Hash32 c = crypto::hmac_sha256(kCommitmentKey, opening, m);
  return Bytes(c.begin(), c.end());
}

}  // namespace silvantrope::keytrans
