#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# generate.sh BINDGEN LIBRARY OUT PACKAGE_FILE...
# Generates Python, Kotlin, Swift and Ruby bindings from LIBRARY's interface records with
# BINDGEN (library mode) into OUT/<language>, and assembles the Python package in
# OUT/python/package/silvantrope_log: the generated module beside PACKAGE_FILEs (the loader
# and py.typed), and LIBRARY at JNA's resource path (OUT/native/linux-x86-64) for the jar.
# Nothing generated is edited: users generate the same files.
set -euo pipefail
bindgen=$1 lib=$2 out=$3; shift 3
tmp=$out.tmp
rm -rf "$tmp"; mkdir -p "$tmp"
cd "$tmp"  # not a cargo project: the generator finds no configuration to read
for language in python kotlin swift ruby; do
  "$bindgen" generate --library "$lib" --language "$language" --out-dir "$tmp/$language" --no-format
done
package=$tmp/python/package/silvantrope_log
mkdir -p "$package"
cp "$@" "$package/"
cp "$tmp/python/silvantrope_log.py" "$package/"
mkdir -p "$tmp/native/linux-x86-64"
cp -L "$lib" "$tmp/native/linux-x86-64/libsilvantrope_log.so"
cd /
rm -rf "$out"; mv "$tmp" "$out"
touch "$out/stamp"
