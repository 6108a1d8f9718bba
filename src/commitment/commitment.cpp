// SPDX-License-Identifier: Apache-2.0
#include "commitment/commitment.h"

#include "context/context_hash.h"

namespace silvantrope::commitment {

Hash64 compute_commitment(ByteView context, ByteView value, const Opening& opening) {
  return context::ContextHasher().begin(context).update(opening).update(value).final();
}

Result<void> verify_commitment(ByteView context, const Hash64& commitment, ByteView value,
                               const Opening& opening) {
  if (compute_commitment(context, value, opening) != commitment) return Error::commitment_mismatch();
  return {};
}

}  // namespace silvantrope::commitment
