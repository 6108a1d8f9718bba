#!/usr/bin/env bash
# The package as users get it: installed into a temporary prefix, then the
# README's C, C++ and Python examples, built the ways it shows, each verify
# the bundled signed checkpoint.
set -euo pipefail
cmake=$1 build=$2 src=$3
t=$(mktemp -d); trap 'rm -rf "$t"' EXIT
p=$t/prefix lib=$t/prefix/lib log=$src/samples/log
"$cmake" --install "$build" --prefix "$p" >/dev/null
readelf -d "$lib/libsilvantrope_log.so.0.1.0" | grep -q 'SONAME.*\[libsilvantrope_log\.so\.0\]'
readelf -S "$lib/libsilvantrope_log.so" | grep -q ' \.symtab '  # binding generators read it
"$src/tests/abi/check_exports.sh" "$lib/libsilvantrope_log.so.0" >/dev/null
"$p/bin/slog" checkpoint --note "$log/checkpoint-12.note" --key-file "$log/trusted.keys" >/dev/null

awk -v d="$t" '/^```/ {b = !b; f = ""; next} b && f == "" && /^(\/\/|#) [A-Za-z_]+\.[a-z]+$/ {f = d "/" $2} f {print > f}' "$src/README.md"
expect() {  # expected output, command...
  local want=$1 got; shift; got=$("$@" 2>&1) || true
  [ "$got" = "$want" ] || { printf '%s\n got: %s\nwant: %s\n' "$*" "$got" "$want"; exit 1; }
}
head="transparency.silvantrope.example/keys 12 e5bc7ec6c2fee7360131251f0dc89a607eb89a685f914d35b44fdf8bda4dbd02"
cc "$t/verify_note.c" $(PKG_CONFIG_PATH="$lib/pkgconfig" pkg-config --cflags --libs silvantrope_log) -o "$t/verify_note"
expect "valid: 2 trusted signatures" env LD_LIBRARY_PATH="$lib" "$t/verify_note" "$log/checkpoint-12.note" $(grep -v '^#' "$log/trusted.keys")
"$cmake" -S "$t" -B "$t/cpp" -DCMAKE_PREFIX_PATH="$p" >/dev/null && "$cmake" --build "$t/cpp" >/dev/null
expect "$head" "$t/cpp/checkpoint" "$log/checkpoint-12.note" "$log/trusted.keys"

# Debian's interpreter, with the pip, setuptools and wheel the bootstrap installs; no network.
/usr/bin/python3 -m venv --without-pip --system-site-packages "$t/venv"
cp -r "$src/bindings/python" "$t/binding"  # pip builds inside the tree it installs
cp "$lib/libsilvantrope_log.so.0.1.0" "$t/binding/silvantrope_log/libsilvantrope_log.so"
"$t/venv/bin/python" -m pip install -q --no-index --no-build-isolation "$t/binding"
py() { env -u SILVANTROPE_LOG_LIBRARY -u LD_LIBRARY_PATH "$@" "$t/venv/bin/python" "$t/verify_checkpoint.py" "$log/checkpoint-12.note" "$log/trusted.keys"; }
expect "$head" py  # the library shipped inside the package
rm "$t"/venv/lib/python3*/site-packages/silvantrope_log/libsilvantrope_log.so
expect "$head" py LD_LIBRARY_PATH="$lib"  # the one the loader finds
got=$(py 2>&1 || true)  # none: the error names what was tried
[[ $got == *"inside the package: "*"the dynamic loader's search path: libsilvantrope_log.so.0: cannot open"* ]] || { echo "$got"; exit 1; }
