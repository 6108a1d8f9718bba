#!/usr/bin/env bash
# Regenerate tests/interop/go_vectors.json from Go's golang.org/x/mod/sumdb
# packages as shipped by Debian (golang-go, golang-golang-x-mod-dev).
#
#   tests/interop/go/regenerate.sh           write go_vectors.json (only if it changed)
#   tests/interop/go/regenerate.sh --check   regenerate into a temporary file and
#                                            fail if it differs from go_vectors.json
#
# Installs the two Debian packages when they are missing. Idempotent: running it
# again with the same packages leaves go_vectors.json byte-for-byte unchanged.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
interop=$(dirname "$here")
out="$interop/go_vectors.json"

check=0
case "${1:-}" in
  "") ;;
  --check) check=1 ;;
  *) echo "usage: $0 [--check]" >&2; exit 2 ;;
esac

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

need=()
for pkg in golang-go golang-golang-x-mod-dev; do
  installed "$pkg" || need+=("$pkg")
done
if ((${#need[@]})); then
  sudo=()
  if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi
  echo "installing: ${need[*]}" >&2
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}" >&2
fi

gopath=/usr/share/gocode
if [ ! -d "$gopath/src/golang.org/x/mod/sumdb/note" ]; then
  echo "golang.org/x/mod not found under $gopath" >&2
  exit 1
fi

# GOPATH mode against Debian's source tree; no module downloads.
export GO111MODULE=off GOPATH="$gopath" GOFLAGS= GOPROXY=off
if [ -z "${GOCACHE:-}" ] && { [ -z "${HOME:-}" ] || [ ! -w "${HOME}" ]; }; then
  export GOCACHE="${TMPDIR:-/tmp}/silvantrope-interop-gocache"
fi

go_version=$(go env GOVERSION)
xmod_version=$(dpkg-query -W -f='${Version}' golang-golang-x-mod-dev)

tmp=$(mktemp "${TMPDIR:-/tmp}/go_vectors.XXXXXX.json")
trap 'rm -f "$tmp"' EXIT

go run "$here/gen_vectors.go" \
  -go-version "$go_version" \
  -x-mod-version "$xmod_version" \
  -out "$tmp"

if ((check)); then
  if ! diff -u "$out" "$tmp" >&2; then
    echo "go_vectors.json is out of date (generated with $go_version, x/mod $xmod_version)" >&2
    exit 1
  fi
  echo "go_vectors.json is up to date ($go_version, x/mod $xmod_version)"
elif [ -f "$out" ] && cmp -s "$tmp" "$out"; then
  echo "go_vectors.json unchanged ($go_version, x/mod $xmod_version)"
else
  cp "$tmp" "$out"
  chmod 644 "$out"
  echo "wrote $out ($go_version, x/mod $xmod_version)"
fi
