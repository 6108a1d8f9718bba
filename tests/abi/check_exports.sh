#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The shared library exports the C ABI and nothing else: no libcrypto, no C++
# runtime, no internal symbol may leak into the dynamic symbol table.
set -euo pipefail
lib=$1
syms=$(nm -D --defined-only "$lib" | awk '{print $3}' | sort)
bad=$(printf '%s\n' "$syms" | grep -v -E '^(uniffi_silvantrope_log_|ffi_silvantrope_log_)' || true)
if [ -n "$bad" ]; then
  echo "unexpected exported symbols:"; printf '%s\n' "$bad"; exit 1
fi
count() { printf '%s\n' "$syms" | grep -c -E "$1" || true; }
checksums=$(count '^uniffi_silvantrope_log_checksum_func_')
functions=$(count '^uniffi_silvantrope_log_fn_func_')
runtime=$(count '^ffi_silvantrope_log_(uniffi_contract_version|rustbuffer_(alloc|from_bytes|free|reserve))$')
futures=$(count '^ffi_silvantrope_log_rust_future_(poll|cancel|complete|free)_([ui](8|16|32|64)|f32|f64|rust_buffer|void)$')
all=$(nm -D --defined-only "$lib" | awk '$2 == "T"' | wc -l)
echo "checksums=$checksums functions=$functions runtime=$runtime futures=$futures all functions=$all"
[ "$checksums" = 30 ] && [ "$functions" = 30 ] && [ "$runtime" = 5 ] && [ "$futures" = 48 ] && [ "$all" = 113 ]
# No OpenSSL symbol may be visible, defined or not: libcrypto is inside.
if nm -D "$lib" | grep -q -E ' (EVP_|OPENSSL_|CRYPTO_|ERR_)'; then
  echo "libcrypto symbols are visible"; exit 1
fi
