#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The whole test suite: the release build, then the same suite under
# AddressSanitizer + UndefinedBehaviorSanitizer, then the library and its ABI
# tests (the concurrency test among them) under ThreadSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
status=0
for preset in default asan tsan; do
  echo "== $preset"
  "$root/scripts/build.sh" "$preset"
  ctest --preset "$preset" -j"$(nproc)" || status=1
done
exit $status
