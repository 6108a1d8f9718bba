#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# test.sh BINDINGS_DIR: compiles the Kotlin generated into BINDINGS_DIR/kotlin, packs the
# library at linux-x86-64/ in the jar, runs the JUnit tests and installs the jar in the local
# Maven repository as dev.silvantrope:silvantrope-log:0.1.0. Once a run has cached every
# pinned artifact (~/.m2), later runs are offline (mvn -o).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$HOME/.m2/repository
stamp=$repo/.silvantrope-log-$(sha256sum "$here/pom.xml" | cut -c1-16)
offline=(); [ -f "$stamp" ] && offline=(-o)
mvn -B --no-transfer-progress "${offline[@]}" -f "$here/pom.xml" -Dbindings.dir="$(realpath "$1")" install
touch "$stamp"
