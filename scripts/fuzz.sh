#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds the libFuzzer targets (the `fuzz` preset: clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each one over its seed corpus.
#
#   scripts/fuzz.sh [seconds-per-target] [target...]
#
# Defaults: 60 seconds (wall clock), every target; inputs up to FUZZ_MAX_LEN bytes (65536:
# room for ML-DSA-87 policy envelopes, cosigned checkpoints and KEYTRANS
# proofs). Ends with one table: runs, coverage, corpus size and findings per
# target, and the CPU seconds it used. New inputs go to build/fuzz/work/corpus/ (the seed corpora under
# fuzz/corpus/ are only read); crashes leave their reproducers in
# build/fuzz/work/artifacts/<target>/ and logs are in
# build/fuzz/work/<target>.log. Exits non-zero when any target crashed.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
max_len=${FUZZ_MAX_LEN:-65536}
shift || true
if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=(fuzz_lift fuzz_context_label fuzz_exports fuzz_base64 fuzz_note fuzz_coniks fuzz_policy fuzz_keytrans fuzz_tiles)
fi

log() { printf 'fuzz: %s\n' "$*" >&2; }

# CPU seconds (user + system) used so far by this shell's finished children.
children_cpu() {
  local stat
  stat=$(cat /proc/$$/stat)
  stat=${stat##*) }  # past the command name
  set -- $stat
  echo $(( (${14} + ${15}) / $(getconf CLK_TCK) ))
}

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

# clang with the libFuzzer runtime.
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' \
  > "$probe/probe.cpp"
if ! clang++ -fsanitize=fuzzer,address "$probe/probe.cpp" -o "$probe/probe" >/dev/null 2>&1; then
  log "installing clang and its runtimes"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq clang libclang-rt-dev >/dev/null
fi

cd "$root"
build=build/fuzz
cmake --preset fuzz >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

work=$build/work
mkdir -p "$work"
failed=()
table=()
for t in "${targets[@]}"; do
  bin=""
  for candidate in "$build/bin/$t" "$build/fuzz/$t"; do
    if [ -x "$candidate" ]; then bin=$candidate; break; fi
  done
  [ -n "$bin" ] || { log "no binary for $t"; exit 1; }
  mkdir -p "$work/corpus/$t" "$work/artifacts/$t"
  log "$t: ${seconds}s"
  status=0
  cpu_before=$(children_cpu)
  # The first directory receives new inputs; the seeds are only read.
  "$bin" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/$t/" \
    "$work/corpus/$t" "fuzz/corpus/$t" >"$work/$t.log" 2>&1 || status=$?
  cpu=$(( $(children_cpu) - cpu_before ))
  summary=$(grep -E '^#[0-9]+.*(DONE|cov:)' "$work/$t.log" | tail -n1 || true)
  log "$t: ${summary:-no progress line}"
  runs=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$work/$t.log" | tail -n1)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$summary")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$summary")
  findings=$(find "$work/artifacts/$t" -type f | wc -l)
  table+=("$(printf '%-20s %12s %8s %8s %8s %9s %8s' "$t" "${runs:-?}" "${cov:-?}" "${ft:-?}" \
    "$(find "$work/corpus/$t" -type f | wc -l)" "$findings" "$cpu")")
  if [ "$status" -ne 0 ]; then
    log "$t: FAILED (exit $status); see $work/$t.log"
    grep -E '^(==[0-9]+==|SUMMARY|.*check failed|artifact_prefix)' "$work/$t.log" | head -n 20 >&2 || true
    failed+=("$t")
  fi
done

printf '%-20s %12s %8s %8s %8s %9s %8s\n' target runs cov ft corpus findings cpu_s
printf '%s\n' "${table[@]}"
if [ ${#failed[@]} -gt 0 ]; then
  log "crashed: ${failed[*]}"
  exit 1
fi
log "all targets ran ${seconds}s without a crash"
