#!/bin/sh
# Usage: check_exports.sh <nm> <library.so> <expected>
# Fails, listing the difference, unless the library's defined dynamic symbols are exactly the
# names of <expected>: a linker version script (the names of its global: section) or a plain
# list, one name a line ("#" and "/* */" comments allowed).
set -eu
nm=$1 lib=$2 expected=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Names only: a version script's global: section, else every name-like line.
if grep -q 'global:' "$expected"; then
  sed -n '/global:/,/local:/p' "$expected"
else
  cat "$expected"
fi | sed 's,/\*.*\*/,,; s,#.*,,; s/;//' | grep -E '^[[:space:]]*[A-Za-z_][A-Za-z0-9_]*[[:space:]]*$' |
  sed 's/[[:space:]]//g' | grep -vxE 'global|local' |
  sort -u >"$work/expected"
[ -s "$work/expected" ] || { echo "no names in $expected" >&2; exit 2; }

# Defined dynamic symbols, version suffixes dropped.
"$nm" -D --defined-only "$lib" | awk 'NF >= 3 { sub(/@.*/, "", $3); print $3 }' | sort -u >"$work/actual"

if ! cmp -s "$work/expected" "$work/actual"; then
  echo "$lib: exported symbols differ from $expected (- missing, + stray):" >&2
  diff "$work/expected" "$work/actual" | sed -n 's/^< /- /p; s/^> /+ /p' >&2
  exit 1
fi
echo "$lib: $(wc -l <"$work/expected") symbols, as expected"
