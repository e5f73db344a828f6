#!/usr/bin/env bash
# Checks that every C++ file is formatted as .clang-format says; `--fix` formats them in place.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
if clang-format --dry-run --Werror "${files[@]}" 2> /tmp/tavorin-format.log; then
  echo "format: ${#files[@]} files as .clang-format says"
else
  grep -E "^[^ ].*: error:" /tmp/tavorin-format.log | cut -d: -f1 | sort -u | sed 's/^/not formatted: /'
  echo "Run scripts/check-format.sh --fix to format them."
  exit 1
fi
