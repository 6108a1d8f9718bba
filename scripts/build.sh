#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Configures and builds one CMake preset (default: "default").
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
preset=${1:-default}
"$root/scripts/bootstrap.sh"
cd "$root"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j"$(nproc)"
