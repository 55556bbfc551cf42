#!/usr/bin/env bash
# scripts/install-deps against stub apt-get, dpkg, dpkg-query, id and sleep on PATH: nothing is
# installed, and the first `apt-get update` fails as a mirror in mid-sync makes it fail. Each row:
# the arguments, then what the stubs' log must hold (+) or must not (-).
# Usage: install_deps_test.sh INSTALL_DEPS WORKDIR
set -uo pipefail
script=$1
work=$2
rm -rf "$work" && mkdir -p "$work/bin"
stub() { printf '#!/bin/sh\n%s\n' "$2" >"$work/bin/$1" && chmod +x "$work/bin/$1"; }
stub apt-get 'echo "apt-get $*" >>"$LOG"; case "$*" in *" update") [ -e "$LOG.updated" ] && exit 0; touch "$LOG.updated"; exit 100;; esac'
stub dpkg 'case "$1" in --print-architecture) echo amd64;; --add-architecture) echo "dpkg $*" >>"$LOG";; esac'
stub dpkg-query 'exit 1'
stub id 'echo 0'
stub sleep ':'
failed=0
row() {  # row NAME ARGS -- [+TEXT|-TEXT]...
    local name=$1 args=()
    shift
    while [ "$1" != -- ]; do args+=("$1"); shift; done
    shift
    export LOG="$work/$name.log"
    rm -f "$LOG" "$LOG.updated"
    out=$(PATH="$work/bin:$PATH" "$script" "${args[@]}" 2>&1) || { echo "FAIL $name: exit $?"; failed=1; return; }
    echo "$out" >>"$LOG"
    for want in "$@"; do
        if grep -qF -- "${want:1}" "$LOG"; then found=+; else found=-; fi
        [ "$found" = "${want:0:1}" ] || { echo "FAIL $name: ${want}"; cat "$LOG"; failed=1; return; }
    done
    echo "ok   $name"
}
row demo --demo -- "+apt-get update failed (try 1 of 3), retrying in 5 s" "+install --no-install-recommends" \
    "+ cmake " "-gstreamer1.0-tools" "-crossbuild-essential" "-:arm64" "-dpkg --add-architecture"
row all -- "+apt-get update failed (try 1 of 3)" "+gstreamer1.0-tools" "+crossbuild-essential-armhf" \
    "+libc6:arm64" "+dpkg --add-architecture armhf"
exit $failed
