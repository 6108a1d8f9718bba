// SPDX-License-Identifier: Apache-2.0
#pragma once

// KEYTRANS cipher suites: which VRF maps (label, version) to a search key,
// and how long and how computed a commitment is.

#include <cstdint>
#include <memory>
#include <string_view>

#include "core/error.h"
#include "silvantrope-crypto/vrf.h"

namespace silvantrope::keytrans {

enum class SuiteCode : uint8_t { SilvantropeHybridExp = 0, Kt128Sha256P256 = 1, Kt128Sha256Ed25519 = 2 };

// One call's suite and the caller's trust inputs; borrows from the arguments.
struct KeytransContext {
  ByteView context;     // used only by the SilvantropeHybridExp commitment
  ByteView vrf_public;  // its length is checked by the VRF
  const crypto::VrfSuite* vrf;
  SuiteCode suite;
  // The VRF bound to vrf_public for the whole call, made at the first rung:
  // a suite that decodes keys decodes this one once.
  mutable std::unique_ptr<crypto::VrfKeyVerifier> bound_vrf;

  crypto::VrfKeyVerifier& key_verifier() const {
    if (!bound_vrf) bound_vrf = vrf->bind(vrf_public);
    return *bound_vrf;
  }

  size_t commitment_size() const { return suite == SuiteCode::SilvantropeHybridExp ? 64 : 32; }
  size_t opening_size() const { return suite == SuiteCode::SilvantropeHybridExp ? 32 : 16; }
  std::string_view name() const;
};

// Suite ids 0x0001 (KT_128_SHA256_P256), 0x0002 (KT_128_SHA256_Ed25519) and
// the experimental 0xF000; anything else is refused.
Result<KeytransContext> resolve_suite(uint16_t suite_id, ByteView context, ByteView vrf_public);
KeytransContext default_context(ByteView context, ByteView vrf_public);

// The commitment to (label, version, value) under the opening: 32 bytes of
// HMAC-SHA256 for the standard suites, 64 context-bound SHA3-512 bytes for
// the experimental one.
Result<Bytes> commit(const KeytransContext& ctx, ByteView label, uint32_t version, ByteView value,
                     ByteView opening);

}  // namespace silvantrope::keytrans
