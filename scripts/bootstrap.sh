#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs what the build needs, unpacks libsodium's ref10 group code from the
# source package of the installed libsodium into .deps/libsodium and, when the
# system libcrypto is older than 3.5, builds a static libcrypto 3.5 from
# Debian's own source package into .deps/. Idempotent: a second run finds everything in place and returns fast.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/.deps"
mkdir -p "$deps"

log() { printf 'bootstrap: %s\n' "$*" >&2; }

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

packages=(build-essential cmake pkg-config perl dpkg-dev libsodium-dev libgtest-dev
          libgmock-dev libbenchmark-dev unicode-data python3 clang libclang-rt-dev
          nlohmann-json3-dev libcli11-dev python3-venv python3-pip python3-setuptools python3-wheel
          default-jdk-headless maven ruby ruby-ffi)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  log "installing ${missing[*]}"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# uniffi-bindgen 0.31.2 (tools/uniffi-bindgen) is built with the machine's cargo, which
# must be Rust 1.85 or newer: the rustup toolchain in ~/.cargo, else Debian's cargo.
PATH=$PATH:$HOME/.cargo/bin
rust_ok() { command -v cargo >/dev/null && printf '%s\n1.85\n' "$(rustc --version | cut -d' ' -f2)" | sort -C -V -r; }
if ! rust_ok; then
  log "installing Debian's cargo"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends cargo >/dev/null || true
  rust_ok || { log "uniffi-bindgen 0.31.2 needs cargo and rustc 1.85 or newer (rustup, or Debian 13's cargo)"; exit 1; }
fi

# The archive URI the system already uses for its main suite; never edited.
archive_uri() {
  local f=/etc/apt/sources.list.d/debian.sources
  if [ -f "$f" ]; then
    awk 'BEGIN{RS=""; FS="\n"}
         { uris=""; suites="";
           for (i=1;i<=NF;i++) {
             if ($i ~ /^URIs:/)   { sub(/^URIs:[ \t]*/,"",$i); uris=$i }
             if ($i ~ /^Suites:/) { sub(/^Suites:[ \t]*/,"",$i); suites=$i }
           }
           if (suites !~ /security/ && uris != "") { split(uris,u," "); print u[1]; exit }
         }' "$f"
    return
  fi
  awk '$1=="deb" && $0 !~ /security/ { for (i=2;i<=NF;i++) if ($i ~ /^[a-z]+:\/\//) { print $i; exit } }' \
    /etc/apt/sources.list 2>/dev/null
}


# apt_opts_for DIR: apt options for a private apt state under DIR whose only
# sources are DIR/sources.list; the system's own state is never touched.
apt_opts_for() {
  mkdir -p "$1/lists/partial" "$1/cache/archives/partial" "$1/parts" "$1/prefs"
  apt_opts=(-o "Dir::Etc::SourceList=$1/sources.list"
            -o "Dir::Etc::SourceParts=$1/parts"
            -o "Dir::Etc::PreferencesParts=$1/prefs"
            -o "Dir::State::Lists=$1/lists"
            -o "Dir::Cache=$1/cache"
            -o "Dir::State::status=/var/lib/dpkg/status")
}

# --- libsodium's ref10 group code ---------------------------------------------
# The VRF verifier compiles libsodium's own Edwards25519 group operations
# (crypto_core/ed25519/ref10 and its private headers) from the source package
# of exactly the libsodium version it links, Debian patches applied.
sodium_dir="$deps/libsodium"
sodium_installed=$(dpkg-query -W -f='${Version}' libsodium-dev)
if [ "$(head -n1 "$sodium_dir/.complete" 2>/dev/null)" != "$sodium_installed" ]; then
  uri=$(archive_uri)
  [ -n "$uri" ] || { log "cannot find the system's Debian archive URI"; exit 1; }
  sodium_apt="$deps/apt-bookworm"
  apt_opts_for "$sodium_apt"
  {
    echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $uri bookworm main"
    echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $uri bookworm-updates main"
  } > "$sodium_apt/sources.list"
  log "fetching the bookworm source index from $uri"
  apt-get "${apt_opts[@]}" -qq update
  mapfile -t listed < <(apt-cache "${apt_opts[@]}" showsrc libsodium 2>/dev/null \
    | sed -n 's/^Version: //p' | sort -u -r -V)
  want=""
  for v in "${listed[@]}"; do [ "$v" = "$sodium_installed" ] && want=$v; done
  if [ -z "$want" ]; then
    # The same upstream release as bookworm packages it.
    for v in "${listed[@]}"; do
      if [ "${v%%-*}" = "${sodium_installed%%-*}" ]; then want=$v; break; fi
    done
    [ -n "$want" ] && log "libsodium $sodium_installed source is not listed; taking bookworm's $want"
  fi
  if [ -z "$want" ]; then
    log "no libsodium ${sodium_installed%%-*} source package is listed for bookworm" \
        "(installed: $sodium_installed; listed: ${listed[*]:-none}); the VRF needs the linked version's ref10 code"
    exit 1
  fi
  work="$deps/libsodium-src"
  rm -rf "$work" "$sodium_dir"; mkdir -p "$work"
  log "downloading libsodium $want source"
  (cd "$work" && apt-get "${apt_opts[@]}" -qq source --download-only "libsodium=$want" >/dev/null) \
    || { log "libsodium $want source could not be downloaded"; exit 1; }
  (cd "$work" && dpkg-source --no-check -x libsodium_*.dsc tree >/dev/null) \
    || { log "libsodium $want source could not be unpacked"; exit 1; }
  lib="$work/tree/src/libsodium"
  [ -f "$lib/crypto_core/ed25519/ref10/ed25519_ref10.c" ] \
    || { log "libsodium $want source has no crypto_core/ed25519/ref10/ed25519_ref10.c"; exit 1; }
  mkdir -p "$sodium_dir"
  cp -r "$lib/crypto_core/ed25519/ref10" "$sodium_dir/ref10"
  cp -r "$lib/include" "$sodium_dir/include"
  cp "$work/tree/LICENSE" "$sodium_dir/" 2>/dev/null || true
  rm -rf "$work"
  printf '%s\n%s\n' "$sodium_installed" "$want" > "$sodium_dir/.complete"
  log "libsodium $want ref10 sources ready in $sodium_dir"
fi

# --- libcrypto >= 3.5 -------------------------------------------------------
prefix="$deps/openssl"
stamp="$prefix/.complete"

system_ok() {
  # OPENSSL_VERSION_NUMBER is 0xMNN00PP0L; 3.5.0 is 0x30500000.
  local hdr=/usr/include/openssl/opensslv.h
  [ -f "$hdr" ] || return 1
  local v
  v=$(sed -n 's/^# *define OPENSSL_VERSION_NUMBER *\(0x[0-9a-fA-F]*\)L.*/\1/p' "$hdr" | head -n1)
  [ -n "$v" ] && [ $((v)) -ge $((0x30500000)) ]
}

if [ -f "$stamp" ]; then
  exit 0
fi
if system_ok; then
  log "system libcrypto is new enough"
  exit 0
fi

uri=$(archive_uri)
[ -n "$uri" ] || { log "cannot find the system's Debian archive URI"; exit 1; }

aptdir="$deps/apt"
apt_opts_for "$aptdir"
echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $uri trixie main" > "$aptdir/sources.list"

log "fetching the trixie source index from $uri"
apt-get "${apt_opts[@]}" -qq update

mapfile -t versions < <(apt-cache "${apt_opts[@]}" showsrc openssl 2>/dev/null \
  | sed -n 's/^Version: //p' | sort -u -r -V)
[ ${#versions[@]} -gt 0 ] || { log "no openssl source package listed for trixie"; exit 1; }

src="$deps/src"
rm -rf "$src"; mkdir -p "$src"
got=""
for v in "${versions[@]}"; do
  case "$v" in 3.[5-9]*|3.[1-9][0-9]*|[4-9]*) ;; *) continue ;; esac
  log "downloading openssl $v source"
  if (cd "$src" && apt-get "${apt_opts[@]}" -qq source --download-only "openssl=$v" >/dev/null 2>&1); then
    got=$v; break
  fi
  log "openssl $v is listed but not downloadable; trying an older one"
  rm -f "$src"/*
done
[ -n "$got" ] || { log "no openssl >= 3.5 source could be downloaded"; exit 1; }

orig=$(ls "$src"/openssl_*.orig.tar.* | head -n1)
mkdir -p "$src/tree"
tar -xf "$orig" -C "$src/tree" --strip-components=1

log "building libcrypto $got (a few minutes)"
(
  cd "$src/tree"
  ./Configure linux-"$(uname -m)" --prefix="$prefix" --libdir=lib --openssldir="$prefix/ssl" \
    no-shared no-tests no-docs no-apps no-module no-engine no-dso -fPIC >"$deps/openssl-build.log" 2>&1
  make -s -j"$(nproc)" build_libs >>"$deps/openssl-build.log" 2>&1
  mkdir -p "$prefix/lib" "$prefix/include"
  cp libcrypto.a "$prefix/lib/"
  cp -r include/openssl "$prefix/include/"
)
rm -rf "$src/tree"
echo "$got" > "$stamp"
log "libcrypto $got ready in $prefix"
