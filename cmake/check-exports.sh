#!/usr/bin/env bash
# check-exports.sh NM LIBRARY EXPECTED
# Fails unless the defined dynamic symbols of LIBRARY (as NM lists them, symbol versions
# dropped) are exactly the names in EXPECTED: one a line, '#' starts a comment, order free.
# Prints the strays and the missing ones.
set -u
nm=$1 library=$2 expected=$3
actual=$("$nm" -D --defined-only --format=posix "$library" | cut -d' ' -f1 | sed 's/@.*//' |
    sort -u) || exit 2
wanted=$(sed -e 's/#.*//' -e 's/[[:space:]]//g' -e '/^$/d' "$expected" | sort -u)
stray=$(comm -23 <(printf '%s\n' "$actual") <(printf '%s\n' "$wanted"))
missing=$(comm -13 <(printf '%s\n' "$actual") <(printf '%s\n' "$wanted"))
[ -n "$stray" ] && printf 'exported but not expected:\n%s\n' "$stray"
[ -n "$missing" ] && printf 'expected but not exported:\n%s\n' "$missing"
[ -z "$stray$missing" ] && echo "$(printf '%s\n' "$wanted" | wc -l) symbols as expected"
[ -z "$stray$missing" ]
