#!/usr/bin/env bash
# Formats every C++ source in place (--check: only report, exit 1 on a difference).
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files --cached --others --exclude-standard '*.cpp' '*.h')
[ -n "$files" ] || exit 0
if [ "${1:-}" = "--check" ]; then
  clang-format --dry-run --Werror $files
else
  clang-format -i $files
fi
