// SPDX-License-Identifier: Apache-2.0
#include "policy/record.h"

namespace silvantrope::policy {

// Enumeration values are their 1-based wire indexes.
template <class E, size_t N>
const char* lookup(const char* const (&names)[N], E v) {
  const auto i = static_cast<size_t>(v) - 1;
  return i < N ? names[i] : "?";
}

const char* name_of(SecurityLevel v) { return lookup({"Cat3", "Cat5"}, v); }
const char* name_of(CheckpointSuite v) { return lookup({"Hybrid", "HybridMatched", "PureCnsa2"}, v); }
const char* name_of(CommitmentHash v) { return lookup({"Sha3_256", "Sha3_512"}, v); }
const char* name_of(VrfMode v) { return lookup({"Classical", "HybridOutput", "PurePqExperimental"}, v); }
const char* name_of(DirectoryMode v) { return lookup({"Coniks", "Keytrans"}, v); }
const char* name_of(KeytransSuite v) {
  return lookup({"SilvantropeHybridExp", "Kt128Sha256Ed25519", "Kt128Sha256P256"}, v);
}

}  // namespace silvantrope::policy
