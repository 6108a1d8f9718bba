#!/usr/bin/env bash
# slog's exit codes and help; its outputs are checked by the case files.
set -u
slog=$1 samples=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0 failed=0
check_rc() {  # name, expected exit code, command...
  local name=$1 want=$2; shift 2
  "$@" >/dev/null 2>&1; local rc=$?
  if [ "$rc" = "$want" ]; then passed=$((passed + 1)); else
    failed=$((failed + 1)); printf 'FAIL %s: exit %s (want %s)\n' "$name" "$rc" "$want"; fi
}
h=6e340b9cffb37a989ca544e6bb780a2c78901d3fb33738768511a30617afa01d
check_rc "bundled samples" 0 "$slog" samples "$samples"
check_rc "valid" 0 "$slog" inclusion --index 0 --size 1 --leaf $h --root $h
check_rc "invalid" 1 "$slog" inclusion --index 1 --size 1 --leaf $h --root $h
check_rc "usage" 2 "$slog" inclusion --index 0
check_rc "no command" 2 "$slog"
for c in inclusion consistency key-history note checkpoint commitment coniks policy samples; do check_rc "help $c" 0 "$slog" $c --help; done
printf 'inclusion --index 0 --size 1 --leaf %s --root %s\nexpect: invalid: nope\n' $h $h > "$tmp/x.sample"
check_rc "failing sample" 1 "$slog" samples "$tmp"
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
