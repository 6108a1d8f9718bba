#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The main job: build the library and slog, then verify the bundled samples.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh" default >/dev/null
exec "$root/build/default/bin/slog" samples "$root/samples" "$@"
