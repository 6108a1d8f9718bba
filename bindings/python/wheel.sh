#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# wheel.sh BINDINGS_DIR LIBRARY: the platform wheel of the package assembled in
# BINDINGS_DIR/python/package (the loader, py.typed and the generated module), with LIBRARY
# copied inside, written to BINDINGS_DIR/python/dist; prints its path. setuptools is
# pinned in pyproject.toml and comes through pip's cache (~/.cache/pip) once fetched.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bindings=$(realpath "$1") lib=$(realpath "$2")
src=$bindings/python/wheel-src dist=$bindings/python/dist
rm -rf "$src" "$dist"; mkdir -p "$src"
cp "$here/pyproject.toml" "$here/setup.py" "$here/README.md" "$here/../../LICENSE" "$src/"
cp -r "$bindings/python/package/silvantrope_log" "$src/"
cp -L "$lib" "$src/silvantrope_log/libsilvantrope_log.so"
python3 -m pip --disable-pip-version-check -q wheel --no-deps -w "$dist" "$src" >&2
wheel=$(ls "$dist"/silvantrope_log-*.whl)
case $wheel in *-py3-none-linux_*.whl) echo "$wheel" ;; *) echo "not a platform wheel: $wheel" >&2; exit 1 ;; esac
