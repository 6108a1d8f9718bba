#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The package as users get it: installed into a temporary prefix, where the README's C, C++ and
# Python examples, built the ways it shows, verify the bundled signed checkpoint.
set -euo pipefail
cmake=$1 src=$3 t=$(mktemp -d) log=$3/samples/log; p=$t/prefix lib=$t/prefix/lib
trap 'rm -rf "$t"' EXIT
fail() { printf '%s\n' "$@"; exit 1; }
expect() { local got; got=$("${@:2}" 2>&1) || true; [ "$got" = "$1" ] || fail "${*:2}" " got: $got" "want: $1"; }
"$cmake" --install "$2" --prefix "$p" >/dev/null
[ "$(readelf -dS "$lib/libsilvantrope_log.so.0.1.0" | grep -cE '\(SONAME\).*\[libsilvantrope_log\.so\.0\]| \.symtab ')" = 2 ] || fail "no SONAME, or no .symtab for binding generators"
"$p/bin/slog" checkpoint --note "$log/checkpoint-12.note" --key-file "$log/trusted.keys" >/dev/null

awk -v d="$t" '/^```/ {b = !b; f = ""; next} b && f == "" && /^(\/\/|#) [A-Za-z_]+\.[a-z]+$/ {f = d "/" $2} f {print > f}' "$src/README.md"
head="transparency.silvantrope.example/keys 12 e5bc7ec6c2fee7360131251f0dc89a607eb89a685f914d35b44fdf8bda4dbd02"
# Consumers need no libsodium development files: the package files do not name libsodium (pkg-config
# sees only this prefix), the headers do not include it, and the library's own NEEDED entry loads it.
! grep -rli sodium "$lib/pkgconfig" "$lib/cmake" "$p/include" || fail "an installed package file or header names libsodium"
readelf -d "$lib/libsilvantrope_log.so.0.1.0" | grep -q 'NEEDED.*\[libsodium\.so\.' || fail "libsodium is not in NEEDED"
[ -s "$p/share/man/man1/slog.1" ] && bash -n "$p/share/bash-completion/completions/slog" || fail "no man page or completion"
cc "$t/verify_note.c" $(PKG_CONFIG_LIBDIR="$lib/pkgconfig" pkg-config --cflags --libs silvantrope_log) -o "$t/verify_note"
expect "valid: 2 trusted signatures" env LD_LIBRARY_PATH="$lib" "$t/verify_note" "$log/checkpoint-12.note" $(grep -v '^#' "$log/trusted.keys")
PKG_CONFIG_LIBDIR=/nonexistent "$cmake" -S "$t" -B "$t/cpp" -DCMAKE_PREFIX_PATH="$p" -DCMAKE_DISABLE_FIND_PACKAGE_PkgConfig=ON >/dev/null && "$cmake" --build "$t/cpp" >/dev/null
expect "$head" "$t/cpp/checkpoint" "$log/checkpoint-12.note" "$log/trusted.keys"

# The wheel the python_package test built, with plain pip into a fresh venv of Debian's interpreter.
/usr/bin/python3 -m venv "$t/venv"
"$t/venv/bin/python" -m pip install -q --no-index "$2"/bindings/python/dist/silvantrope_log-*.whl
py() { env -u SILVANTROPE_LOG_LIBRARY -u LD_LIBRARY_PATH "$@" "$t/venv/bin/python" "$t/verify_checkpoint.py" "$log/checkpoint-12.note" "$log/trusted.keys"; }
expect "$head" py  # the library shipped inside the package
rm "$t"/venv/lib/python3*/site-packages/silvantrope_log/libsilvantrope_log.so
expect "$head" py LD_LIBRARY_PATH="$lib"  # the one the loader finds; with neither, the error names what was tried:
{ py 2>&1 || true; } | grep -q "libsilvantrope_log.so.0: cannot open" || fail "no loader error"
{ py SILVANTROPE_LOG_LIBRARY=/no/lib.so LD_LIBRARY_PATH="$lib" 2>&1 || true; } | grep -q "^  /no/lib.so: " || fail "the variable is not the only place tried"
