// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

namespace silvantrope {

// The enumerations that cross the boundary. Their values are the 1-based
// indexes of the wire encoding.

enum class SecurityLevel : int32_t { Cat3 = 1, Cat5 = 2 };
enum class CheckpointSuite : int32_t { Hybrid = 1, HybridMatched = 2, PureCnsa2 = 3 };
enum class CommitmentHash : int32_t { Sha3_256 = 1, Sha3_512 = 2 };
enum class VrfMode : int32_t { Classical = 1, HybridOutput = 2, PurePqExperimental = 3 };
enum class DirectoryMode : int32_t { Coniks = 1, Keytrans = 2 };
enum class KeytransSuite : int32_t {
  SilvantropeHybridExp = 1,
  Kt128Sha256Ed25519 = 2,
  Kt128Sha256P256 = 3,
};

}  // namespace silvantrope
