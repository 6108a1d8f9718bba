#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# other_languages.sh BINDINGS_DIR LIBRARY: the Swift and Ruby uniffi-bindgen generated declare
# every function the library exports, and the Ruby, loaded with Debian's ruby-ffi, verifies
# the bundled signed note.
set -euo pipefail
out=$(realpath "$1") lib=$(realpath "$2") samples=$(cd "$(dirname "$0")/../../samples" && pwd) missing=0
for f in $(nm -D --defined-only "$lib" | sed -n 's/.* uniffi_silvantrope_log_fn_func_//p'); do
  camel=$(sed -E 's/_([a-z0-9])/\U\1/g' <<<"$f")
  grep -q "^public func $camel(" "$out/swift/silvantrope_log.swift" || { echo "Swift lacks $camel"; missing=1; }
  grep -q "uniffi_silvantrope_log_fn_func_$f(" "$out/swift/silvantrope_logFFI.h" || { echo "Swift's C header lacks $f"; missing=1; }
  grep -q "def self\.$f(" "$out/ruby/silvantrope_log.rb" || { echo "Ruby lacks $f"; missing=1; }
done
got=$(LD_LIBRARY_PATH=$(dirname "$lib") ruby -r "$out/ruby/silvantrope_log.rb" -e '
  keys = File.readlines(ARGV[1], chomp: true).reject { |k| k.empty? || k.start_with?("#") }
  puts SilvantropeLog.verify_signed_note(File.read(ARGV[0]), keys)' "$samples/log/checkpoint-12.note" "$samples/log/trusted.keys")
[ "$got" = 2 ] || { echo "Ruby verified $got signatures, not 2"; missing=1; }
exit $missing
