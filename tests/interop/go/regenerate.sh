#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Regenerates ../go_vectors.json with Debian's golang-go and golang-golang-x-mod-dev, installed if
# missing, in GOPATH mode (no module downloads). With --check, fails instead if the file is out of date.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
pkgs=(golang-go golang-golang-x-mod-dev)
if [ "$(dpkg-query -W -f='${Status}\n' "${pkgs[@]}" 2>/dev/null | grep -cx 'install ok installed')" != 2 ]; then
  ((EUID == 0)) && sudo=() || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${pkgs[@]}" >&2
fi
export GO111MODULE=off GOPATH=/usr/share/gocode GOFLAGS='' GOPROXY=off GOCACHE=${GOCACHE:-${TMPDIR:-/tmp}/silvantrope-interop-gocache}
tmp=$(mktemp) && trap 'rm -f "$tmp"' EXIT
go run "$here/gen_vectors.go" "$(dpkg-query -W -f='${Version}' golang-golang-x-mod-dev)" "$tmp"
if [ "${1:-}" = --check ]; then
  diff -u "$here/../go_vectors.json" "$tmp" >&2 && echo "go_vectors.json is up to date"
else
  install -m 644 "$tmp" "$here/../go_vectors.json"
fi
