#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Fault-injection check of the test suite. Each patch in tests/faults/ plants
# one small, deliberate fault in the product code; this script applies them
# one at a time to a scratch copy of the tree, rebuilds incrementally, runs the
# suite (stopping at the first failing test) and reports whether the suite
# caught the fault.
#
#   scripts/fault-check.sh [--src DIR] [--scratch DIR] [--apply-only] [PATCH...]
#
#   --src DIR      the tree under test (default: the repo holding this script);
#                  its git-tracked and untracked, not ignored, working files are
#                  copied, so uncommitted changes are tested too
#   --scratch DIR  where the copy and its builds live (default: /tmp/fault-check);
#                  kept between runs so that later runs build incrementally
#   --apply-only   only check that each patch applies to DIR, as it stands
#                  (no copy, no build; the suite runs this as fault_patches_apply)
#   PATCH...       the faults to try (default: DIR/tests/faults/*.patch)
#
# A patch whose header has a line "# packages" also runs the Python and Kotlin
# package tests (minutes each), which the others skip.
# A patch whose header has a line "# preset: asan" runs in the ASan+UBSan
# build; all others in the release build. Logs: SCRATCH/logs/NAME.log.
# Exit status: 0 when every fault was caught, 1 when one was missed or broken
# (does not apply or does not build), 2 when the unmodified tree fails.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
src=$here
scratch=/tmp/fault-check
patches=()
apply_only=false
while [ $# -gt 0 ]; do
  case $1 in
    --src) src=$(cd "$2" && pwd); shift 2 ;;
    --scratch) scratch=$2; shift 2 ;;
    --apply-only) apply_only=true; shift ;;
    -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) [ -f "$1" ] || { echo "fault-check: no such patch: $1" >&2; exit 2; }
       patches+=("$(realpath "$1")"); shift ;;
  esac
done
[ ${#patches[@]} -gt 0 ] || patches=("$src"/tests/faults/*.patch)
[ -f "${patches[0]}" ] || { echo "fault-check: no patches in $src/tests/faults; name them" >&2; exit 2; }

if $apply_only; then
  status=0
  for p in "${patches[@]}"; do
    (cd "$src" && patch -p1 --forward --dry-run -s <"$p" >/dev/null 2>&1) ||
      { printf 'BROKEN  %s  (does not apply)\n' "$(basename "$p" .patch)"; status=1; }
  done
  [ $status -ne 0 ] || echo "fault-check: all ${#patches[@]} patches apply"
  exit $status
fi

work=$scratch/src
logs=$scratch/logs
mkdir -p "$work" "$logs"
run() { (cd "$work" && nice -n 10 "$@"); }
preset_of() { sed -n '/^diff --git/q; s/^# preset: *\([a-z]*\).*/\1/p' "$1" 2>/dev/null | head -n1 || true; }
build() { run cmake --build --preset "$1" -j2; }
packages_of() { sed -n '/^diff --git/q; /^# packages/p' "$1" 2>/dev/null | grep -q . ; }
# Every planted fault makes fault_patches_apply fail (its own patch no longer
# applies), so that test never counts as catching one.
suite() { run ctest --preset "$1" -j2 --stop-on-failure --timeout 120 "${@:2}"; }

# Copy the source tree; only files whose content differs are written, so
# unchanged files keep their mtimes and the builds stay incremental. Files
# the previous run copied that are gone from the tree are removed.
git -C "$src" ls-files -z --cached --others --exclude-standard | tr '\0' '\n' | sort -u >"$scratch/files.new"
[ ! -f "$scratch/files" ] || comm -23 "$scratch/files" "$scratch/files.new" |
  while IFS= read -r f; do rm -f "$work/$f"; done
while IFS= read -r f; do
  [ -f "$src/$f" ] || continue
  if ! cmp -s "$src/$f" "$work/$f"; then
    mkdir -p "$work/$(dirname "$f")"
    cp "$src/$f" "$work/$f"
  fi
done <"$scratch/files.new"
mv "$scratch/files.new" "$scratch/files"
deps=$src/.deps; [ -d "$deps" ] || deps=$here/.deps
ln -sfn "$deps" "$work/.deps"
shared=$src/../shared; [ -d "$shared" ] || shared=$here/../shared
if [ -d "$shared" ]; then ln -sfn "$(cd "$shared" && pwd)" "$scratch/shared"; fi

# Configure once, build and check the unmodified tree in each preset needed.
presets=$(for p in "${patches[@]}"; do x=$(preset_of "$p"); echo "${x:-default}"; done | sort -u)
for preset in $presets; do
  [ -f "$work/build/$preset/CMakeCache.txt" ] ||
    run cmake --preset "$preset" >"$logs/configure-$preset.log" 2>&1
  if ! build "$preset" >"$logs/build-$preset.log" 2>&1 ||
     ! suite "$preset" -E '_package$|^fault_patches_apply$' >"$logs/baseline-$preset.log" 2>&1; then
    echo "fault-check: the unmodified tree fails in preset $preset; see $logs/" >&2
    exit 2
  fi
done

applied=""
revert() {
  if [ -n "$applied" ]; then
    run patch -p1 -R -s --no-backup-if-mismatch <"$applied" >/dev/null 2>&1 || true
    applied=""
  fi
}
trap revert EXIT
trap 'revert; exit 130' INT TERM

caught=0 missed=0 broken=0 start=$SECONDS
for p in "${patches[@]}"; do
  name=$(basename "$p" .patch)
  preset=$(preset_of "$p"); preset=${preset:-default}
  log=$logs/$name.log
  if [ ! -r "$p" ] || ! run patch -p1 --forward --dry-run -s <"$p" >"$log" 2>&1; then
    printf 'BROKEN  %s  (does not apply)\n' "$name"; broken=$((broken + 1)); continue
  fi
  run patch -p1 --forward -s --no-backup-if-mismatch <"$p" >>"$log" 2>&1
  applied=$p
  if ! build "$preset" >>"$log" 2>&1; then
    printf 'BROKEN  %s  (build error)\n' "$name"; broken=$((broken + 1))
  elif suite "$preset" -E "$(packages_of "$p" && echo '^fault_patches_apply$' || echo '_package$|^fault_patches_apply$')" >>"$log" 2>&1; then
    printf 'MISSED  %s\n' "$name"; missed=$((missed + 1))
  else
    first=$(sed -n '/The following tests FAILED:/{n;s/^[[:space:]]*[0-9]* - //p;q}' "$log")
    printf 'caught  %s  (%s)\n' "$name" "${first:-see $log}"; caught=$((caught + 1))
  fi
  revert
done
echo "fault-check: $((SECONDS - start)) s for ${#patches[@]} faults; logs in $logs"
echo "fault-check: $caught caught, $missed missed, $broken broken of ${#patches[@]}"
[ $((missed + broken)) -eq 0 ]
