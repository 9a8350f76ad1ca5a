#!/usr/bin/env bash
# Checks that every C++ file follows .clang-format; lists the files that
# don't and exits 1. With --fix, formats them in place instead.
#   tools/check_format.sh [--fix]
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install_deps.sh --format
# The tracked files; outside a git checkout, the source folders' files.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files '*.cpp' '*.h')
else
  mapfile -t files < <(find src tests tools fuzz bench \( -name '*.cpp' -o -name '*.h' \) | sort)
fi
if [ "${1:-}" = "--fix" ]; then
  clang-format -i --style=file "${files[@]}"
  exit 0
fi
differ=()
for file in "${files[@]}"; do
  clang-format --style=file "$file" | cmp -s - "$file" || differ+=("$file")
done
if [ ${#differ[@]} -ne 0 ]; then
  printf 'not formatted as .clang-format says: %s\n' "${differ[@]}" >&2
  echo "tools/check_format.sh --fix formats them" >&2
  exit 1
fi
echo "check_format: ${#files[@]} files follow .clang-format"
