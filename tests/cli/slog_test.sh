#!/usr/bin/env bash
# slog as a user runs it: verdicts, exit codes, proof files, JSON, help.
set -u
slog=$1
samples=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0 failed=0

check() {  # name, expected exit code, expected output (exact), command...
  local name=$1 want_rc=$2 want_out=$3; shift 3
  local out rc
  out=$("$@" 2>&1); rc=$?
  if [ "$rc" = "$want_rc" ] && [ "$out" = "$want_out" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf 'FAIL %s\n  exit %s (want %s)\n  got:  %s\n  want: %s\n' "$name" "$rc" "$want_rc" "$out" "$want_out"
  fi
}

check_rc() {  # name, expected exit code, command...
  local name=$1 want_rc=$2; shift 2
  "$@" >/dev/null 2>&1; local rc=$?
  if [ "$rc" = "$want_rc" ]; then passed=$((passed + 1)); else
    failed=$((failed + 1)); printf 'FAIL %s: exit %s (want %s)\n' "$name" "$rc" "$want_rc"; fi
}

# The eight-leaf RFC 6962 reference tree: leaf 0 of 2 and the root of 2.
l0=6e340b9cffb37a989ca544e6bb780a2c78901d3fb33738768511a30617afa01d
l1=96a296d224f285c67bee93c30f8a309157f0daa35dc5b87e410b78630a09cfc7
r2=fac54203e7cc696cf0dfcb42c92a1d9dbaf70ad9e621f4bd8d98662f00e3c125

check_rc "bundled samples" 0 "$slog" samples "$samples"
check "inclusion valid" 0 "valid" "$slog" inclusion --index 0 --size 2 --leaf $l0 --proof $l1 --root $r2
check "inclusion invalid" 1 "invalid: root mismatch: recomputed root does not match the expected root" \
  "$slog" inclusion --index 1 --size 2 --leaf $l0 --proof $l1 --root $r2
check "proof count" 1 "invalid: wrong proof size: got 2, want 1" \
  "$slog" inclusion --index 0 --size 2 --leaf $l0 --proof $l1,$l1 --root $r2
printf '# audit path\n\n  %s  # leaf 1\n' $l1 > "$tmp/proof"
check "proof file" 0 "valid" "$slog" inclusion --index 0 --size 2 --leaf $l0 --proof-file "$tmp/proof" --root $r2
check "json valid" 0 '{"command":"inclusion","valid":true}' \
  "$slog" inclusion --json --index 0 --size 2 --leaf $l0 --proof $l1 --root $r2
check "json invalid" 1 '{"command":"consistency","valid":false,"error":"consistency proof from an empty tree is meaningless"}' \
  "$slog" consistency --json --size1 0 --size2 2 --root1 $r2 --root2 $r2
check "consistency valid" 0 "valid" "$slog" consistency --size1 1 --size2 2 --root1 $l0 --root2 $r2 --proof $l1
check "genesis bytes" 0 "000000010000000000000000000000000000000000000000000000000000000000000000" \
  "$slog" key-history canonical-bytes --seq 0 --ts-ms 0 --enc-x25519 "" --enc-pq "" --signing-pub ""
check "usage: unknown command" 2 "slog: unknown command 'frobnicate'
(see slog --help)" "$slog" frobnicate
check "usage: bad hex" 2 "slog: --leaf is not hex: 'zz'
(see slog --help)" "$slog" inclusion --index 0 --size 2 --leaf zz --root $r2
check "usage: number" 2 "slog: --size does not fit in 64 bits
(see slog --help)" "$slog" inclusion --index 0 --size 18446744073709551616 --leaf $l0 --root $r2
check_rc "usage: no command" 2 "$slog"
for c in inclusion consistency key-history policy samples; do check_rc "help $c" 0 "$slog" $c --help; done

# A sample whose expectation is wrong makes the run fail.
printf 'inclusion --index 0 --size 2 --leaf %s --proof %s --root %s\nexpect: invalid: nope\n' $l0 $l1 $r2 > "$tmp/x.sample"
check_rc "failing sample" 1 "$slog" samples "$tmp"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
