// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "context/namespace.h"
#include "core/bytes.h"
#include "core/error.h"

namespace silvantrope::coniks {

// The identity is in the directory under root; returns its value.
Result<Bytes> verify_lookup(context::Namespace ns, ByteView vrf_public, const Hash64& root,
                            ByteView identity, ByteView proof);

// The identity's position holds the empty leaf under root.
Result<void> verify_absence(context::Namespace ns, ByteView vrf_public, const Hash64& root,
                            ByteView identity, ByteView proof);

}  // namespace silvantrope::coniks
