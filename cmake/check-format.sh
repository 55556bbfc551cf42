#!/usr/bin/env bash
# The house style: every C and C++ file of the project matches .clang-format.
# Usage: check-format.sh SOURCE_DIR [CLANG_FORMAT]
set -euo pipefail
src=$1
tool=${2:-clang-format}
cd "$src"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.c' '*.cpp' '*.h')
else
    mapfile -t files < <(find . -path ./build -prune -o -type f \( -name '*.c' -o -name '*.cpp' -o -name '*.h' \) -print)
fi
[ ${#files[@]} -gt 0 ] || { echo "check-format: no files found in $src"; exit 1; }
"$tool" --dry-run --Werror "${files[@]}"
echo "check-format: ${#files[@]} files match .clang-format"
