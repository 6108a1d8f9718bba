#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Regenerates ../torchwood_vectors.json with filippo.io/torchwood, pinned by go.mod and go.sum.
# torchwood v0.10.0 needs Go 1.27, which the go command fetches from the module proxy as the
# approved toolchain go1.27.3. Not part of the test run: the suite reads the committed file.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export GOTOOLCHAIN=go1.27.3 GOFLAGS=-mod=readonly
tmp=$(mktemp) && trap 'rm -f "$tmp"' EXIT
(cd "$here" && go run . "$tmp")
install -m 644 "$tmp" "$here/../torchwood_vectors.json"
