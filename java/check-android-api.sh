#!/bin/sh
# Fails when a class of a jar references an API listed as missing from the oldest Android
# version the jar supports.
# Usage: check-android-api.sh <javap> <jar tool> <jar file> <list of missing APIs>
set -eu
javap=$1 jartool=$2 jarfile=$3 list=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
patterns=$work/patterns
grep -v -e '^#' -e '^[[:space:]]*$' "$list" > "$patterns"
jarfile=$(cd "$(dirname "$jarfile")" && pwd)/$(basename "$jarfile")
(cd "$work" && "$jartool" xf "$jarfile")
status=0
for class in $(cd "$work" && find . -name '*.class' | sort); do
    found=$("$javap" -v "$work/$class" | grep -F -f "$patterns" || true)
    if [ -n "$found" ]; then
        echo "$class references APIs missing from Android 7.0 (API level 24):"
        echo "$found"
        status=1
    fi
done
[ $status -eq 0 ] && echo "$(basename "$jarfile"): no API missing from Android 7.0 (API level 24)"
exit $status
