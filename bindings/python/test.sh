#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# test.sh BINDINGS_DIR LIBRARY: builds the platform wheel (wheel.sh), installs it with plain
# pip into a fresh venv, and runs the package's tests there with pinned pytest and mypy
# (requirements-test.txt, through pip's cache once fetched).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bindings=$(realpath "$1") lib=$(realpath "$2")
wheel=$("$here/wheel.sh" "$bindings" "$lib")
venv=$bindings/python/venv
rm -rf "$venv"
python3 -m venv "$venv"
pip=("$venv/bin/python" -m pip --disable-pip-version-check -q)
"${pip[@]}" install "$wheel"
"${pip[@]}" install -r "$here/requirements-test.txt"
cd "$venv"  # not the source tree: the package is imported from site-packages
unset SILVANTROPE_LOG_LIBRARY
exec "$venv/bin/python" -m pytest -q -p no:cacheprovider "$here/tests"
