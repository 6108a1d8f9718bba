#!/usr/bin/env bash
# The main job: build the library and slog, then verify the bundled samples.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh" default >/dev/null
exec "$root/build/default/bin/slog" samples "$root/samples" "$@"
