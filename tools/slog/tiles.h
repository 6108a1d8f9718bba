// SPDX-License-Identifier: Apache-2.0
#pragma once

// slog tiles inclusion|consistency|audit: a C2SP tlog-tiles log mirrored in a
// directory laid out as its URL paths (DIR/checkpoint, DIR/tile/...).

#include <string>

#include "command_kit.h"

namespace slog {

void tiles(const Ctx& c, const std::string& mode);

}  // namespace slog
